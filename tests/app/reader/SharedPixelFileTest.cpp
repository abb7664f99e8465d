// The memory the reader leaves the grey rows in: the program's mapping of them cannot be cut short, and the
// room beyond them is given back.
#include "SharedPixelFile.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(SharedPixels, RowsMappedByTheProgramCannotBeCutShortAndTheRestIsGivenBack) {
    constexpr int kSide = 256;
    constexpr std::size_t kRowBytes = kSide * kSide;
    auto pixels = SharedPixelFile::Create();
    ASSERT_TRUE(pixels.ok());
    auto block = pixels->Block(2 * kRowBytes);
    ASSERT_TRUE(block.ok());
    std::memset((*block)->Data(), 7, 2 * kRowBytes);
    auto rows = pixels->MapRows(kSide, kSide, kSide);
    ASSERT_TRUE(rows.ok()) << qPrintable(rows.failure().message);

    // A reader gone wrong cannot take the pages from under the image...
    EXPECT_NE(::ftruncate(pixels->Descriptor(), 0), 0);
    // ...but gives back the room beyond the rows.
    pixels->GiveBackBeyond(kRowBytes);
    struct stat file {};
    ASSERT_EQ(::fstat(pixels->Descriptor(), &file), 0);
    EXPECT_EQ(static_cast<std::size_t>(file.st_blocks) * 512, kRowBytes);
    const std::uint8_t* data = rows->block->Data();
    EXPECT_TRUE(std::all_of(data, data + kRowBytes, [](std::uint8_t grey) { return grey == 7; }));
}
