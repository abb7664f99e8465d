// The decoders of the reader's request and answer on arbitrary bytes. Whatever they accept must come out of
// its own encoding the same again, or the two sides could read one message differently.
#include "ReaderMessages.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Abort(const char* what) {
    std::fprintf(stderr, "%s: decoding its own encoding gave other bytes\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto request = DecodeReaderRequest(bytes)) {
        const QByteArray encoded = EncodeReaderRequest(*request);
        const auto again = DecodeReaderRequest(encoded);
        if (!again || EncodeReaderRequest(*again) != encoded) Abort("request");
    }
    if (const auto answer = DecodeReaderAnswer(bytes)) {
        const QByteArray encoded = EncodeReaderAnswer(*answer);
        const auto again = DecodeReaderAnswer(encoded);
        if (!again || EncodeReaderAnswer(*again) != encoded) Abort("answer");
    }
    return 0;
}
