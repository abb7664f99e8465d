// The view of a band's image that the web page links to: the saved image reduced to at most kViewWidth
// pixels across, so that a browser never has to fetch a full disk of 21696 × 21696 pixels to look at it.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

inline constexpr int kViewWidth = 2048;
inline constexpr int kViewQuality = 85;

// The image file (the program's own grey JPEG or PNG) read reduced while it is decoded, at libjpeg's
// cheapest scale that still covers the view, and encoded as JPEG; none when the file cannot be read so.
std::optional<QByteArray> MakeReducedView(const QString& imagePath);
