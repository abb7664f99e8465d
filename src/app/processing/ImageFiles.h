// Saving a converted image the way every image of the program is saved: durably, with the program's texts.
#pragma once

#include "DateTime.h"
#include "DurableFiles.h"
#include "Failure.h"

#include <QImage>
#include <QSize>
#include <QString>

class TExtBitmap;

// Texts written into every image file.
inline constexpr char kImageDescription[] = "GOES image from ABI";
inline constexpr char kImageSoftware[] = "Nimbrel's Stratolux";

inline constexpr int kJpegQuality = 99;
inline constexpr int kJpegLowQuality = 92;

// PNG with the Author, Description, Software and Title ("yyyy-mm-dd hh:nn" of the scan start; none for a
// start time of 0) texts; the file time becomes fileTime (unless 0). Published as PublishFile does, with its
// failures and permissions.
Status SavePngImage(const TExtBitmap& bitmap, const QString& path, TDateTime startTime, TDateTime fileTime,
                    unsigned permissions = kUsualPermissions);

// JPEG at the given quality with the maker's address as its comment, published as PublishFile does; an empty
// bitmap is a failure too.
Status SaveJpegImage(const TExtBitmap& bitmap, const QString& path, int quality, TDateTime fileTime,
                     unsigned permissions = kUsualPermissions);

// The PNG and the JPEG of one image; an empty path saves no file of that format.
struct ImageFileSaves {
    QString pngPath;
    QString jpegPath;
    int jpegQuality = kJpegQuality;
    TDateTime startTime = 0;
    TDateTime fileTime = 0;
    unsigned permissions = kUsualPermissions;
    // When valid, the saved image is read back from its file (the JPEG when there is one) and reduced to this
    // size for its thumbnail.
    QSize thumbnailSize;
};

struct ImageFilesSaved {
    Status png;
    Status jpeg;
    QImage thumbnail; // null when none was asked for or the file could not be read back
};

// Saves both as SavePngImage and SaveJpegImage do, each on a core of its own: the JPEG, and then its
// read-back for the thumbnail, on a thread started for it while the PNG is saved on the calling thread.
ImageFilesSaved SavePngAndJpegImages(const TExtBitmap& bitmap, const ImageFileSaves& saves);
