// The image's pixels in memory shared by the reader's process and the program: an anonymous memory file
// that the reader sizes and fills in place, and the program then maps as its image, so the grey rows are
// never copied. Pages are counted once however many processes map them.
#pragma once

#include "Failure.h"
#include "PixelBlock.h"
#include "UniqueFd.h"

#include <memory>

class SharedPixelFile {
public:
    // A new, empty memory file, closed on exec.
    static Result<SharedPixelFile> Create();
    explicit SharedPixelFile(UniqueFd fd) : fd_(std::move(fd)) {}

    int Descriptor() const { return fd_.Get(); }

    // The reader's side: a block of the given size that is the whole file. Keeping part of it shrinks the
    // file to the kept bytes, so the room of the counts is free before the program maps the rows.
    Result<std::unique_ptr<PixelBlock>> Block(std::size_t bytes) const;
    // The program's side: the rows in the file's first rowBytes × height bytes, mapped. Fails when the file
    // is shorter than that.
    Result<GreyRows> MapRows(int width, int height, std::size_t rowBytes) const;

private:
    UniqueFd fd_;
};

// Sets the calling process's address-space limit to what it uses now plus `bytes`.
Status LimitAddressSpaceGrowth(std::size_t bytes);
