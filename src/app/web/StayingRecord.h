// When each file that stays in the source folder was first reported, kept across restarts in a small file
// beside the log (the per-user data folder of an installed program: ~/.local/share/NAME/NAME-staying.json),
// so that the page's "since" does not begin again at every start.
#pragma once

#include "Failure.h"

#include <QDateTime>
#include <QMap>
#include <QString>

// By the file's path.
using StayingSince = QMap<QString, QDateTime>;

// "<the log's folder>/<instance>-staying.json".
QString StayingRecordFileName(const QString& logFileName);

// The record an earlier run left; empty when there is none, or when it cannot be read or understood (the
// times then begin at this run's first report).
StayingSince ReadStayingRecord(const QString& fileName);

// Replaces the record as PublishFile publishes a file: whole or not at all.
Status WriteStayingRecord(const QString& fileName, const StayingSince& since);
