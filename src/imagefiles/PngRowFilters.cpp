// Row filter choice and filtering.
#include "PngRowFilters.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {

// The PNG filter types none, sub and Paeth.
constexpr std::uint8_t kFilterTypes[] = {0, 1, 4};

// How far a filtered byte lies from zero when read as signed. Written without branches, as every loop
// here, so that the compiler vectorises it.
inline std::uint8_t Magnitude(std::uint8_t value) {
    return std::min(value, static_cast<std::uint8_t>(-value));
}

inline std::uint8_t PaethPredictor(int left, int above, int aboveLeft) {
    const int toLeft = std::abs(above - aboveLeft), toAbove = std::abs(left - aboveLeft),
              toAboveLeft = std::abs(left + above - 2 * aboveLeft);
    const int nearer = toAbove <= toAboveLeft ? above : aboveLeft;
    return static_cast<std::uint8_t>(toLeft <= toAbove && toLeft <= toAboveLeft ? left : nearer);
}

std::size_t SumOfMagnitudes(const std::uint8_t* bytes, std::size_t count) {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += Magnitude(bytes[i]);
    return sum;
}

void SubFilter(const std::uint8_t* row, std::size_t rowBytes, std::size_t bpp, std::uint8_t* out) {
    for (std::size_t i = 0; i < bpp && i < rowBytes; ++i) out[i] = row[i];
    for (std::size_t i = bpp; i < rowBytes; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - bpp]);
}

void PaethFilter(const std::uint8_t* row, const std::uint8_t* above, std::size_t rowBytes, std::size_t bpp,
                 std::uint8_t* out) {
    for (std::size_t i = 0; i < bpp && i < rowBytes; ++i)
        out[i] = static_cast<std::uint8_t>(row[i] - above[i]);
    for (std::size_t i = bpp; i < rowBytes; ++i)
        out[i] = static_cast<std::uint8_t>(row[i] - PaethPredictor(row[i - bpp], above[i], above[i - bpp]));
}

} // namespace

void FilterRows(const PngRowSource& source, std::uint32_t first, std::uint32_t last, std::uint8_t* filtered) {
    const std::size_t rowBytes = source.rowBytes, bpp = source.bytesPerPixel;
    const std::vector<std::uint8_t> zeros(rowBytes, 0);
    std::vector<std::uint8_t> sub(rowBytes), paeth(rowBytes);
    for (std::uint32_t y = first; y < last; ++y) {
        const std::uint8_t* row = source.row(y);
        const std::uint8_t* above = y == 0 ? zeros.data() : source.row(y - 1);
        SubFilter(row, rowBytes, bpp, sub.data());
        PaethFilter(row, above, rowBytes, bpp, paeth.data());
        const std::size_t sums[] = {SumOfMagnitudes(row, rowBytes), SumOfMagnitudes(sub.data(), rowBytes),
                                    SumOfMagnitudes(paeth.data(), rowBytes)};
        const std::uint8_t* choices[] = {row, sub.data(), paeth.data()};
        const std::size_t best = std::min_element(std::begin(sums), std::end(sums)) - std::begin(sums);
        std::uint8_t* out = filtered + std::size_t{y - first} * (rowBytes + 1);
        out[0] = kFilterTypes[best];
        std::copy_n(choices[best], rowBytes, out + 1);
    }
}
