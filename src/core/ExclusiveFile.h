// The platform's "open for reading and writing with no sharing": the open fails while any other
// descriptor, in this or another process, refers to the file, and for read-only or non-regular files.
#pragma once

#include "Utils.h"

class TExclusiveFile {
public:
    explicit TExclusiveFile(const QString& path);
    ~TExclusiveFile();
    TExclusiveFile(const TExclusiveFile&) = delete;
    TExclusiveFile& operator=(const TExclusiveFile&) = delete;

    bool IsOpen() const { return Handle != kNoHandle; }
    TFileHandle GetHandle() const { return Handle; }

private:
    static constexpr TFileHandle kNoHandle = -1;
    TFileHandle Handle = kNoHandle;
};
