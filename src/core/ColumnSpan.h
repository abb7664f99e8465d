// The columns of one image row that hold something, for example the Earth in a full-disk image: [first, end).
#pragma once

struct ColumnSpan {
    int first = 0;
    int end = 0; // one past the last column; a span that ends at or before its first column is empty

    bool Empty() const { return end <= first; }
    friend bool operator==(const ColumnSpan&, const ColumnSpan&) = default;
};
