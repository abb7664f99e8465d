// POSIX part of the shared pixels: a memfd, its mappings, and the address-space limit of the reader.
#include "SharedPixels.h"

#include <QFile>
#include <cerrno>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// One mapping, unmapped when its owner goes.
struct Mapping {
    Mapping(void* at, std::size_t bytes) : address(at), length(bytes) {}
    ~Mapping() { ::munmap(address, length); }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    void* address;
    std::size_t length;
};

Result<std::unique_ptr<Mapping>> Map(int fd, std::size_t bytes, const QString& what) {
    void* address = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (address == MAP_FAILED)
        return SystemFailure(errno == ENOMEM ? FailureCode::OutOfMemory : FailureCode::ReaderFailed, what);
    return std::make_unique<Mapping>(address, bytes);
}

void ReleaseMapping(void* mapping) {
    std::unique_ptr<Mapping>(static_cast<Mapping*>(mapping));
}

// An 8-bit image over the first rows of the mapping that unmaps it when the image goes; null (the mapping
// gone) when Qt refuses the size.
QImage ImageOverMapping(std::unique_ptr<Mapping> mapping, int width, int height, qsizetype rowBytes) {
    QImage image(static_cast<uchar*>(mapping->address), width, height, rowBytes, QImage::Format_Indexed8,
                 ReleaseMapping, mapping.get());
    if (!image.isNull()) (void)mapping.release();
    return image;
}

class SharedBlock final : public PixelBlock {
public:
    SharedBlock(int fd, std::unique_ptr<Mapping> mapping) : fd_(fd), mapping_(std::move(mapping)) {}

    std::uint8_t* Data() override { return static_cast<std::uint8_t*>(mapping_->address); }

    QImage IntoImage(std::size_t keptBytes, int width, int height, qsizetype rowBytes) override {
        // Only the freeing of the rest hangs on these: the kept bytes are valid whatever they answer.
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t keptPages = (keptBytes + page - 1) / page * page;
        if (keptPages < mapping_->length &&
            ::munmap(static_cast<std::uint8_t*>(mapping_->address) + keptPages,
                     mapping_->length - keptPages) == 0)
            mapping_->length = keptPages;
        (void)::ftruncate(fd_, static_cast<off_t>(keptBytes));
        return ImageOverMapping(std::move(mapping_), width, height, rowBytes);
    }

private:
    int fd_;
    std::unique_ptr<Mapping> mapping_;
};

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
    auto mapping =
        Map(fd_.Get(), bytes, QStringLiteral("cannot map %1 MB of shared memory").arg(bytes / 1000000));
    if (!mapping) return mapping.failure();
    return std::unique_ptr<PixelBlock>(std::make_unique<SharedBlock>(fd_.Get(), std::move(*mapping)));
}

Result<QImage> SharedPixelFile::MapImage(int width, int height, qsizetype rowBytes) const {
    struct stat file {};
    if (::fstat(fd_.Get(), &file) != 0)
        return SystemFailure(FailureCode::ReaderFailed, QStringLiteral("cannot inspect shared memory"));
    const auto bytes = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height);
    if (width <= 0 || height <= 0 || rowBytes < width || static_cast<std::size_t>(file.st_size) < bytes)
        return Failure{FailureCode::ReaderFailed,
                       QStringLiteral("the reader's image (%1 × %2) does not fit its shared memory")
                           .arg(width)
                           .arg(height)};
    auto mapping = Map(fd_.Get(), bytes, QStringLiteral("cannot map the image"));
    if (!mapping) return mapping.failure();
    QImage image = ImageOverMapping(std::move(*mapping), width, height, rowBytes);
    if (image.isNull())
        return Failure{FailureCode::OutOfMemory,
                       QStringLiteral("out of memory (%1 × %2 image)").arg(width).arg(height)};
    return image;
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
