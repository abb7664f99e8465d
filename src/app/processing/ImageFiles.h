// Saving a converted image the way every image of the program is saved: durably, with the program's texts.
#pragma once

#include "AbiGeolocation.h"
#include "DateTime.h"
#include "DurableFiles.h"
#include "Failure.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

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

// What a GeoTIFF holds beside the pixels: where they lie on the Earth, and what they show.
struct GeoTiffFacts {
    std::optional<AbiGeolocation> geolocation; // a GeoTIFF cannot be made without it
    QString satellite;                         // "GOES-16"; empty: not said
    QString band;                              // "B13"; empty: not said
};

// A GeoTIFF (see SaveBitmapAsGeoTiff) in the satellite's own projection, the Earth's disk as data and space
// around it as no data (a mask), with the scan start (none for 0), the satellite, the band and the program's
// texts in its metadata; published as PublishFile does. Fails with GeolocationMissing when the facts hold no
// geolocation.
Status SaveGeoTiffImage(const TExtBitmap& bitmap, const QString& path, const GeoTiffFacts& facts,
                        TDateTime startTime, TDateTime fileTime, unsigned permissions = kUsualPermissions);

// The PNG, the JPEG and the GeoTIFF of one image; an empty path saves no file of that format.
struct ImageFileSaves {
    QString pngPath;
    QString jpegPath;
    QString geoTiffPath;
    GeoTiffFacts geoTiff;
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
    Status geoTiff;
    QImage thumbnail; // null when none was asked for or the file could not be read back
};

// Saves each as SavePngImage, SaveJpegImage and SaveGeoTiffImage do, at once: the JPEG, and then its
// read-back for the thumbnail, and the GeoTIFF each on a thread started for it while the PNG is saved on the
// calling thread.
ImageFilesSaved SaveImageFiles(const TExtBitmap& bitmap, const ImageFileSaves& saves);
