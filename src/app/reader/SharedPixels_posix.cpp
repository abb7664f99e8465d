// POSIX part of the shared pixels: a memfd, its mappings, and the address-space limit of the reader.
#include "SharedPixels.h"

#include <QFile>
#include <cerrno>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// A mapping of the memory file as a pixel block, unmapped when the block goes. Keeping only the first bytes
// unmaps the rest and, for the reader's block (fileToShrink set), shrinks the file to them, so the counts'
// room is free before the program maps the rows.
class SharedBlock final : public PixelBlock {
public:
    SharedBlock(void* address, std::size_t length, int fileToShrink)
        : address_(static_cast<std::uint8_t*>(address)), length_(length), fileToShrink_(fileToShrink) {}
    ~SharedBlock() override { ::munmap(address_, length_); }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    std::uint8_t* Data() override { return address_; }

    void Keep(std::size_t keptBytes) override {
        // Only the freeing of the rest hangs on these: the kept bytes are valid whatever they answer.
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t keptPages = (keptBytes + page - 1) / page * page;
        if (keptPages < length_ && ::munmap(address_ + keptPages, length_ - keptPages) == 0)
            length_ = keptPages;
        if (fileToShrink_ >= 0) (void)::ftruncate(fileToShrink_, static_cast<off_t>(keptBytes));
    }

private:
    std::uint8_t* address_;
    std::size_t length_;
    int fileToShrink_;
};

Result<std::unique_ptr<PixelBlock>> MapBlock(int fd, std::size_t bytes, const QString& what,
                                             int fileToShrink = -1) {
    void* address = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (address == MAP_FAILED)
        return SystemFailure(errno == ENOMEM ? FailureCode::OutOfMemory : FailureCode::ReaderFailed, what);
    return std::unique_ptr<PixelBlock>(std::make_unique<SharedBlock>(address, bytes, fileToShrink));
}

} // namespace

Result<SharedPixelFile> SharedPixelFile::Create() {
    const int fd = ::memfd_create("stratolux-pixels", MFD_CLOEXEC);
    if (fd < 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot create shared memory"));
    return SharedPixelFile(UniqueFd(fd));
}

Result<std::unique_ptr<PixelBlock>> SharedPixelFile::Block(std::size_t bytes) const {
    if (::ftruncate(fd_.Get(), static_cast<off_t>(bytes)) != 0)
        return SystemFailure(FailureCode::OutOfMemory,
                             QStringLiteral("cannot size shared memory to %1 MB").arg(bytes / 1000000));
    return MapBlock(fd_.Get(), bytes,
                    QStringLiteral("cannot map %1 MB of shared memory").arg(bytes / 1000000), fd_.Get());
}

Result<GreyRows> SharedPixelFile::MapRows(int width, int height, std::size_t rowBytes) const {
    struct stat file {};
    if (::fstat(fd_.Get(), &file) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot inspect shared memory"));
    const auto fileBytes = static_cast<std::size_t>(file.st_size);
    if (width <= 0 || height <= 0 || rowBytes < static_cast<std::size_t>(width) ||
        rowBytes > fileBytes / static_cast<std::size_t>(height))
        return Failure{FailureCode::ReaderFailed,
                       QStringLiteral("the reader's image (%1 × %2) does not fit its shared memory")
                           .arg(width)
                           .arg(height)};
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(height);
    auto block = MapBlock(fd_.Get(), bytes, QStringLiteral("cannot map the image"));
    if (!block) return block.failure();
    return GreyRows{std::move(*block), width, height, rowBytes};
}

Status LimitAddressSpaceGrowth(std::size_t bytes) {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return Failure{FailureCode::ReaderFailed, QStringLiteral("cannot read /proc/self/statm")};
    bool parsed = false;
    const auto pages = statm.readLine().split(' ').value(0).toULongLong(&parsed);
    if (!parsed) return Failure{FailureCode::ReaderFailed, QStringLiteral("cannot parse /proc/self/statm")};
    const auto limit =
        static_cast<rlim_t>(pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)) + bytes);
    const rlimit addressSpace{limit, limit};
    if (::setrlimit(RLIMIT_AS, &addressSpace) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot limit the reader's memory"));
    return {};
}
