// The image's pixels in memory shared by the reader's process and the program: an anonymous memory file
// that the reader sizes and fills in place, and the program then maps as its image, so the grey rows are
// never copied. Pages are counted once however many processes map them. The program seals the file against
// shrinking before it maps it, so that nothing the reader does afterwards can take pages from under the
// image; the reader gives the rest back by punching it out.
#pragma once

#include "Failure.h"
#include "PixelBlock.h"
#include "UniqueFd.h"

#include <memory>

class SharedPixelFile {
public:
    // A new, empty memory file that can be sealed, closed on exec.
    static Result<SharedPixelFile> Create();
    explicit SharedPixelFile(UniqueFd fd) : fd_(std::move(fd)) {}

    int Descriptor() const { return fd_.Get(); }

    // The reader's side: a block of the given size that is the whole file.
    Result<std::unique_ptr<PixelBlock>> Block(std::size_t bytes) const;
    // The reader's side, once it has answered: gives back all but the first bytes, the room the counts took
    // beyond the rows. Only memory hangs on it, so a failure is left unsaid.
    void GiveBackBeyond(std::size_t bytes) const;
    // The program's side: seals the file against shrinking, then maps the rows in its first rowBytes × height
    // bytes. Fails when the file is shorter than that or cannot be sealed.
    Result<GreyRows> MapRows(int width, int height, std::size_t rowBytes) const;

private:
    UniqueFd fd_;
};

// Sets the calling process's address-space limit to what it uses now plus `bytes`; sets none under
// AddressSanitizer.
Status LimitAddressSpaceGrowth(std::size_t bytes);
