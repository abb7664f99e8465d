// POSIX part of the shared pixels: a memfd, its mappings, and the address-space limit of the reader.
#include "SharedPixelFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// A mapping of the memory file as a pixel block, unmapped when the block goes. It gives nothing back itself:
// the reader does once it has answered (SharedPixelFile::GiveBackBeyond), so that the program need not wait
// for it.
class SharedBlock final : public PixelBlock {
public:
    SharedBlock(void* address, std::size_t length)
        : address_(static_cast<std::uint8_t*>(address)), length_(length) {}
    ~SharedBlock() override { ::munmap(address_, length_); }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    std::uint8_t* Data() override { return address_; }
    void Keep(std::size_t) override {}

private:
    std::uint8_t* address_;
    std::size_t length_;
};

Result<std::unique_ptr<PixelBlock>> MapBlock(int fd, std::size_t bytes, const QString& what) {
    void* address = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (address == MAP_FAILED)
        return SystemFailure(errno == ENOMEM ? FailureCode::OutOfMemory : FailureCode::ReaderFailed, what);
    return std::unique_ptr<PixelBlock>(std::make_unique<SharedBlock>(address, bytes));
}

} // namespace

Result<SharedPixelFile> SharedPixelFile::Create() {
    const int fd = ::memfd_create("stratolux-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot create shared memory"));
    return SharedPixelFile(UniqueFd(fd));
}

Result<std::unique_ptr<PixelBlock>> SharedPixelFile::Block(std::size_t bytes) const {
    if (::ftruncate(fd_.Get(), static_cast<off_t>(bytes)) != 0)
        return SystemFailure(FailureCode::OutOfMemory,
                             QStringLiteral("cannot size shared memory to %1 MB").arg(bytes / 1000000));
    return MapBlock(fd_.Get(), bytes,
                    QStringLiteral("cannot map %1 MB of shared memory").arg(bytes / 1000000));
}

void SharedPixelFile::GiveBackBeyond(std::size_t bytes) const {
    struct stat file {};
    if (::fstat(fd_.Get(), &file) != 0 || static_cast<std::size_t>(file.st_size) <= bytes) return;
    (void)::fallocate(fd_.Get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(bytes),
                      file.st_size - static_cast<off_t>(bytes));
}

Result<GreyRows> SharedPixelFile::MapRows(int width, int height, std::size_t rowBytes) const {
    if (::fcntl(fd_.Get(), F_ADD_SEALS, F_SEAL_SHRINK) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot seal shared memory"));
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

Status LimitAddressSpaceGrowth([[maybe_unused]] std::size_t bytes) {
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer reserves terabytes of address space for its shadow memory, which no limit leaves room
    // for: a sanitized reader runs unlimited.
    return {};
#else
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
#endif
}
