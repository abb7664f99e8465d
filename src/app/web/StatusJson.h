// The facts of the web page as data, for scripts: GET /status.json.
#pragma once

#include "StationFacts.h"

#include <QByteArray>

// A JSON object: caption, instance, version, started, state ("running", "idle" or "scanning"), health
// ("ok", "warning" or "failing") and problems (a sentence each), lastScan (start, end) and nextScan (times in
// ISO 8601 UTC, null when none), counts (processed, failed, skipped, incomplete since the start), bands (each
// band's newest image: name, scanStart (as the received file's name gives it), time (the nominal time),
// bytes, viewMade, completeness,
// incomplete, countsContradiction, pixelCounts, qualityPercent, uncorrectableErrors; null when none),
// stayingFiles (name, reason, since) and folders (role, path, freeBytes and totalBytes, or problem).
QByteArray StatusJson(const StationFacts& facts);
