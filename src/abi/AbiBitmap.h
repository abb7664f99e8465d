// Grey rows made the pixels of an 8-bit TExtBitmap, and the ABI reader that fills one.
#pragma once

#include "AbiGeolocation.h"
#include "AbiReadRequest.h"
#include "Failure.h"
#include "PixelBlock.h"

class TExtBitmap;

// The rows become the 8-bit bitmap's pixels, without a copy, under a grey palette; the bitmap owns their
// block afterwards. Fails, leaving the bitmap unchanged, when Qt refuses the image's size.
Status AdoptGreyRows(TExtBitmap& bitmap, GreyRows rows);

// As ReadAbiGreyRows, into the 8-bit bitmap, which is unchanged on failure; without the completeness.
Status ReadAbiImage(const AbiReadRequest& request, TExtBitmap& bitmap, float& longitude,
                    std::optional<AbiGeolocation>* geolocation = nullptr);
