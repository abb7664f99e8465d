// Making the reduced view of a saved image.
#include "ReducedView.h"

#include "GreyJpeg.h"
#include "ImageFileLoading.h"

#include <algorithm>
#include <cmath>

namespace {

QSize ViewSizeFor(QSize image) {
    if (image.width() <= kViewWidth) return image;
    const double scale = static_cast<double>(kViewWidth) / image.width();
    return {kViewWidth, std::max(1, static_cast<int>(std::lround(image.height() * scale)))};
}

} // namespace

std::optional<QByteArray> MakeReducedView(const QString& imagePath) {
    const std::optional<QImage> reduced = ReadReducedImageFile(imagePath, {ViewSizeFor, 1});
    if (!reduced) return std::nullopt;
    Result<QByteArray> jpeg = EncodeGreyJpeg(*reduced, kViewQuality);
    if (!jpeg) return std::nullopt;
    return std::move(*jpeg);
}
