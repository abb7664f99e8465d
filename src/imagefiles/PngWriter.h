// The program's own PNG writer, built for full-disk images: the rows are filtered and deflated on all cores,
// by libdeflate, which is several times faster than libpng's zlib at the same size.
#pragma once

class QIODevice;
class TPngImage;

// Writes the image, which must not hold alpha (as AssignFromBitmap and ShareRowsOf give it), as one PNG
// datastream with the chunks libpng would write: IHDR, PLTE for a palette image, a tEXt chunk for every
// non-blank text (Author, Description, Software, Title), IDAT chunks of 8192 bytes, tIME (now, UTC) and IEND.
// The row filters are chosen from none, sub and Paeth as libpng chooses them; `level` is libdeflate's.
// Progress, refusals and failures are those of TPngImage::SaveToStream, and so is the largest single
// transfer to the sink.
void WritePngDatastream(TPngImage& image, QIODevice& sink, int level);
