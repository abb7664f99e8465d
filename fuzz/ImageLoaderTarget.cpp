// The image loaders behind the thumbnails and the viewer on arbitrary file content; FUZZ_IMAGE_SUFFIX picks
// the codec (".png" or ".jpg").
#include "FuzzInputFile.h"
#include "ImageFileLoading.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = WriteFuzzInput(data, size, QStringLiteral("image" FUZZ_IMAGE_SUFFIX));
    (void)LoadReducedImage(path, QSize(kThumbnailSide, kThumbnailSide));
    (void)LoadGreyImage(path);
    return 0;
}
