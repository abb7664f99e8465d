// Row filter choice and filtering, in parallel over bands of rows.
#include "PngRowFilters.h"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

enum FilterType : std::uint8_t { kNone = 0, kSub = 1, kPaeth = 4 };

// How far a filtered byte lies from zero when read as signed.
inline std::size_t Magnitude(std::uint8_t value) {
    return value < 128 ? value : 256u - value;
}

inline std::uint8_t PaethPredictor(int left, int above, int aboveLeft) {
    const int estimate = left + above - aboveLeft;
    const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above),
              toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft) return static_cast<std::uint8_t>(left);
    if (toAbove <= toAboveLeft) return static_cast<std::uint8_t>(above);
    return static_cast<std::uint8_t>(aboveLeft);
}

// Each filter writes its output and returns its sum of magnitudes; like libpng it stops early once the
// sum passes `bound`, the best sum so far.
std::size_t SubFilter(const std::uint8_t* row, std::size_t rowBytes, std::size_t bpp, std::uint8_t* out,
                      std::size_t bound) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bpp && i < rowBytes; ++i) sum += Magnitude(out[i] = row[i]);
    for (std::size_t i = bpp; i < rowBytes && sum <= bound; ++i)
        sum += Magnitude(out[i] = static_cast<std::uint8_t>(row[i] - row[i - bpp]));
    return sum;
}

std::size_t PaethFilter(const std::uint8_t* row, const std::uint8_t* above, std::size_t rowBytes,
                        std::size_t bpp, std::uint8_t* out, std::size_t bound) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < bpp && i < rowBytes; ++i)
        sum += Magnitude(out[i] = static_cast<std::uint8_t>(row[i] - above[i]));
    for (std::size_t i = bpp; i < rowBytes && sum <= bound; ++i)
        sum += Magnitude(out[i] = static_cast<std::uint8_t>(
                             row[i] - PaethPredictor(row[i - bpp], above[i], above[i - bpp])));
    return sum;
}

// Filters rows [first, last) into their places in `filtered`.
void FilterBand(const PngRowSource& source, std::uint32_t first, std::uint32_t last, std::uint8_t* filtered) {
    const std::size_t rowBytes = source.rowBytes, bpp = source.bytesPerPixel;
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    std::vector<std::uint8_t> sub(rowBytes), paeth(rowBytes);
    for (std::uint32_t y = first; y < last; ++y) {
        const std::uint8_t* row = source.row(y);
        const std::uint8_t* above = y == 0 ? zeros.data() : source.row(y - 1);
        std::uint8_t* out = filtered + std::size_t{y} * (rowBytes + 1);
        std::size_t best = 0;
        for (std::size_t i = 0; i < rowBytes; ++i) best += Magnitude(row[i]);
        FilterType chosen = kNone;
        if (const std::size_t sum = SubFilter(row, rowBytes, bpp, sub.data(), best); sum < best) {
            best = sum;
            chosen = kSub;
        }
        if (const std::size_t sum = PaethFilter(row, above, rowBytes, bpp, paeth.data(), best); sum < best)
            chosen = kPaeth;
        out[0] = chosen;
        const std::uint8_t* bytes = chosen == kNone ? row : chosen == kSub ? sub.data() : paeth.data();
        std::copy_n(bytes, rowBytes, out + 1);
    }
}

} // namespace

void FilterRowsOnAllCores(const PngRowSource& source, std::uint8_t* filtered) {
    const std::uint32_t bands = std::clamp(std::thread::hardware_concurrency(), 1u, std::max(source.height, 1u));
    std::vector<std::jthread> helpers;
    const auto bandStart = [&](std::uint32_t band) {
        return static_cast<std::uint32_t>(std::uint64_t{source.height} * band / bands);
    };
    for (std::uint32_t band = 1; band < bands; ++band)
        helpers.emplace_back([&, band] { FilterBand(source, bandStart(band), bandStart(band + 1), filtered); });
    FilterBand(source, 0, bandStart(1), filtered);
}
