// The band of rows a broken downlink loses.
#include "AbiLostRows.h"

#include <numeric>

AbiRowRange LostRows(const std::vector<size_t>& earthPixels, double percent) {
    const double target =
        percent / 100.0 *
        static_cast<double>(std::accumulate(earthPixels.begin(), earthPixels.end(), size_t{0}));
    AbiRowRange lost{earthPixels.size() / 2, earthPixels.size() / 2};
    double taken = 0;
    // A row is lost as long as losing it comes nearer the target than keeping it.
    const auto nearer = [&](size_t row) {
        return taken + static_cast<double>(earthPixels[row]) / 2 < target;
    };
    while (lost.end < earthPixels.size() && nearer(lost.end))
        taken += static_cast<double>(earthPixels[lost.end++]);
    while (lost.first > 0 && nearer(lost.first - 1)) taken += static_cast<double>(earthPixels[--lost.first]);
    return lost;
}
