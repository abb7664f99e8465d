// Reduction of a grey image that arrives row by row, so that a picture far larger than memory allows can be
// made into a small one: every target pixel is the mean of the source area it covers, each source pixel
// weighted by the part of it that lies inside (the super-sampling that Interpolate reduces with).
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

class AreaReduction {
public:
    // The target may be no larger than the source on either side, and neither may be empty.
    AreaReduction(QSize source, QSize target);

    // The next source row, top to bottom, `source.width()` grey levels.
    void AddRow(const std::uint8_t* row);
    bool Complete() const { return rowsAdded_ == source_.height(); }
    // The reduced image (8-bit grey) once every row has been added.
    QImage Result() const;

private:
    // Where one source pixel (a column or a row) falls: the target pixel it starts in and the share of it
    // that lies there; the rest falls into the next target pixel.
    struct Share {
        int target;
        float firstPart;
    };
    static std::vector<Share> Shares(int sourceLength, int targetLength);

    QSize source_;
    QSize target_;
    std::vector<Share> columns_;
    std::vector<Share> rows_;
    std::vector<float> rowSums_;     // the current source row reduced across
    std::vector<double> targetSums_; // every target pixel's weighted sum so far
    int rowsAdded_ = 0;
};
