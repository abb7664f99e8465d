// The station's web page: one page in the style of the window that a phone can read. First the caption and
// the station's health in words and colour with its problems, whether processing runs, the last and next
// scan; then what a phone must reach without scrolling past the pictures: the files that stay in the source
// folder with their reasons and the folders' free space. Then the ticked bands' newest images as thumbnails
// that link to their reduced views, each with its age, nominal time and scan start and how complete it is
// (marked when below IncompleteBelowPercent), or why a ticked band has none; the unticked bands folded away;
// last the log's newest lines with failures marked. It reloads itself every kPageRefreshSeconds.
#pragma once

#include "StationFacts.h"

#include <QByteArray>

inline constexpr int kPageRefreshSeconds = 30;

// The paths the page links to for a band (B01 … B16): its thumbnail, its reduced view and its image file.
QString ThumbnailPath(int band);
QString ViewPath(int band);
QString ImagePath(int band);

// The content security policy of every answer: resources from the page's own server only, and of the inline
// style sheet and script, only the page's own.
QByteArray PageSecurityPolicy();

// The page as UTF-8 HTML.
QByteArray StationPage(const StationFacts& facts);
