// A reader of the classic netCDF header: big-endian counts, names and attribute values padded to 4 bytes,
// then each variable's dimensions, type and offset.
#include "ClassicLayout.h"

#include <array>
#include <vector>

namespace {

constexpr std::uint32_t kDimensionTag = 0x0A;
constexpr std::uint32_t kVariableTag = 0x0B;
constexpr std::uint32_t kAttributeTag = 0x0C;
constexpr std::uint32_t kStreamingRecords = 0xFFFFFFFF;

// The size of one value of each external type (1 = byte … 11 = unsigned 64-bit); 0 for any other type.
std::uint64_t TypeSize(std::uint32_t type) {
    constexpr std::array<std::uint64_t, 12> sizes{0, 1, 1, 2, 4, 4, 8, 1, 2, 4, 8, 8};
    return type < sizes.size() ? sizes[type] : 0;
}

class HeaderReader {
public:
    HeaderReader(QIODevice& file, int version) : file_(file), version_(version) {}

    // Format 5 counts in 64 bits, the others in 32.
    std::optional<std::uint64_t> Count() { return version_ == 5 ? Unsigned(8) : Unsigned(4); }
    std::optional<std::uint64_t> Offset() { return version_ == 1 ? Unsigned(4) : Unsigned(8); }
    std::optional<std::uint64_t> Word() { return Unsigned(4); }

    // Skips a name or the values of an attribute: count × size bytes, padded to 4.
    bool Skip(std::uint64_t count, std::uint64_t size) {
        const std::uint64_t remaining = Remaining();
        if (size != 0 && count > remaining / size) return false;
        const std::uint64_t bytes = (count * size + 3) / 4 * 4;
        return bytes <= remaining && file_.seek(file_.pos() + static_cast<qint64>(bytes));
    }
    bool SkipName() {
        const auto length = Count();
        return length && Skip(*length, 1);
    }
    // A list's element count, 0 for an absent list; none when the tag is neither `tag` nor absent, or when
    // the file is too short to hold that many elements of at least `smallestElement` bytes.
    std::optional<std::uint64_t> ListLength(std::uint32_t tag, std::uint64_t smallestElement) {
        const auto read = Word();
        const auto length = Count();
        if (!read || !length || (*read != tag && *read != 0) || (*read == 0 && *length != 0))
            return std::nullopt;
        if (*length > Remaining() / smallestElement) return std::nullopt;
        return length;
    }
    bool SkipAttributes() {
        const auto count = ListLength(kAttributeTag, 12);
        if (!count) return false;
        for (std::uint64_t i = 0; i < *count; ++i) {
            const bool name = SkipName();
            const auto type = Word();
            const auto values = Count();
            if (!name || !type || !values || TypeSize(*type) == 0 || !Skip(*values, TypeSize(*type)))
                return false;
        }
        return true;
    }

private:
    std::uint64_t Remaining() const {
        const qint64 left = file_.size() - file_.pos();
        return left > 0 ? static_cast<std::uint64_t>(left) : 0;
    }
    std::optional<std::uint64_t> Unsigned(int bytes) {
        std::array<unsigned char, 8> buffer{};
        if (file_.read(reinterpret_cast<char*>(buffer.data()), bytes) != bytes) return std::nullopt;
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value = value << 8 | buffer[static_cast<std::size_t>(i)];
        return value;
    }

    QIODevice& file_;
    int version_;
};

// a × b + c, none on overflow.
std::optional<std::uint64_t> MultiplyAdd(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    if (b != 0 && a > (UINT64_MAX - c) / b) return std::nullopt;
    return a * b + c;
}

} // namespace

std::optional<int> ClassicVersion(QIODevice& file) {
    char magic[4];
    if (!file.seek(0) || file.read(magic, 4) != 4 || magic[0] != 'C' || magic[1] != 'D' || magic[2] != 'F' ||
        (magic[3] != 1 && magic[3] != 2 && magic[3] != 5))
        return std::nullopt;
    return magic[3];
}

std::optional<std::vector<std::uint64_t>> ClassicDataEnds(QIODevice& file) {
    const auto version = ClassicVersion(file);
    if (!version) return std::nullopt;
    HeaderReader header(file, *version);
    auto records = header.Count();
    if (!records) return std::nullopt;
    // A file still being streamed says nothing about its records; none are counted on.
    if (*records == kStreamingRecords) records = 0;

    const auto dimensionCount = header.ListLength(kDimensionTag, 8);
    if (!dimensionCount) return std::nullopt;
    std::vector<std::uint64_t> dimensions;
    for (std::uint64_t i = 0; i < *dimensionCount; ++i) {
        const bool name = header.SkipName();
        const auto length = header.Count();
        if (!name || !length) return std::nullopt;
        dimensions.push_back(*length);
    }
    if (!header.SkipAttributes()) return std::nullopt;

    const auto variableCount = header.ListLength(kVariableTag, 24);
    if (!variableCount) return std::nullopt;
    std::vector<std::uint64_t> ends;
    for (std::uint64_t i = 0; i < *variableCount; ++i) {
        const bool name = header.SkipName();
        const auto rank = header.Count();
        if (!name || !rank) return std::nullopt;
        // The first dimension of a record variable has length 0; the records stand in for it.
        std::uint64_t values = 1;
        for (std::uint64_t d = 0; d < *rank; ++d) {
            const auto dimension = header.Count();
            if (!dimension || *dimension >= dimensions.size()) return std::nullopt;
            const std::uint64_t length =
                dimensions[*dimension] == 0 && d == 0 ? *records : dimensions[*dimension];
            const auto product = MultiplyAdd(values, length, 0);
            if (!product) return std::nullopt;
            values = *product;
        }
        if (!header.SkipAttributes()) return std::nullopt;
        const auto type = header.Word();
        const auto size = header.Count(); // vsize: not trusted, the dimensions say the same
        const auto begin = header.Offset();
        if (!type || !size || !begin || TypeSize(*type) == 0) return std::nullopt;
        const auto end = MultiplyAdd(values, TypeSize(*type), *begin);
        if (!end) return std::nullopt;
        ends.push_back(*end);
    }
    return ends;
}
