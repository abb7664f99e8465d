// Area-averaging reduction of streamed grey rows.
#include "AreaReduction.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

AreaReduction::AreaReduction(QSize source, QSize target)
    : source_(source), target_(target), columns_(Shares(source.width(), target.width())),
      rows_(Shares(source.height(), target.height())), rowSums_(static_cast<std::size_t>(target.width()) + 1),
      targetSums_((static_cast<std::size_t>(target.height()) + 1) * (target.width() + 1)) {}

std::vector<AreaReduction::Share> AreaReduction::Shares(int sourceLength, int targetLength) {
    if (targetLength <= 0 || targetLength > sourceLength)
        throw std::invalid_argument(
            "AreaReduction: the target must be smaller than the source and not empty");
    // In target units a source pixel is targetLength / sourceLength long; positions are kept as exact
    // fractions of sourceLength so that boundaries fall where they should.
    std::vector<Share> shares(static_cast<std::size_t>(sourceLength));
    for (int i = 0; i < sourceLength; ++i) {
        const long long start = static_cast<long long>(i) * targetLength;
        const long long end = start + targetLength;
        const int first = static_cast<int>(start / sourceLength);
        const long long boundary = static_cast<long long>(first + 1) * sourceLength;
        const float firstPart =
            end <= boundary ? 1.0f : static_cast<float>(boundary - start) / static_cast<float>(targetLength);
        shares[static_cast<std::size_t>(i)] = {first, firstPart};
    }
    return shares;
}

void AreaReduction::AddRow(const std::uint8_t* row) {
    if (Complete()) return;
    std::fill(rowSums_.begin(), rowSums_.end(), 0.0f);
    for (int x = 0; x < source_.width(); ++x) {
        const Share& share = columns_[static_cast<std::size_t>(x)];
        const float value = row[x];
        rowSums_[static_cast<std::size_t>(share.target)] += value * share.firstPart;
        rowSums_[static_cast<std::size_t>(share.target) + 1] += value * (1.0f - share.firstPart);
    }
    const Share& share = rows_[static_cast<std::size_t>(rowsAdded_)];
    const std::size_t stride = static_cast<std::size_t>(target_.width()) + 1;
    double* first = targetSums_.data() + static_cast<std::size_t>(share.target) * stride;
    double* second = first + stride;
    for (int x = 0; x < target_.width(); ++x) {
        first[x] += static_cast<double>(rowSums_[static_cast<std::size_t>(x)]) * share.firstPart;
        second[x] += static_cast<double>(rowSums_[static_cast<std::size_t>(x)]) * (1.0 - share.firstPart);
    }
    ++rowsAdded_;
}

QImage AreaReduction::Result() const {
    QImage image(target_, QImage::Format_Grayscale8);
    if (image.isNull()) return image;
    // Each target pixel covers sourceWidth / targetWidth × sourceHeight / targetHeight source pixels.
    const double area = static_cast<double>(source_.width()) * source_.height() /
                        (static_cast<double>(target_.width()) * target_.height());
    const std::size_t stride = static_cast<std::size_t>(target_.width()) + 1;
    for (int y = 0; y < target_.height(); ++y) {
        std::uint8_t* pixel = image.scanLine(y);
        const double* sums = targetSums_.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < target_.width(); ++x)
            pixel[x] = static_cast<std::uint8_t>(std::clamp(std::lround(sums[x] / area), 0L, 255L));
    }
    return image;
}
