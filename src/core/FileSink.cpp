// The checked file device: everything but the system calls.
#include "FileSink.h"

#include "DosDateTime.h"
#include "Utils.h"
#include "WriteAll.h"

#include <utility>

FileSink::FileSink(QString shownPath) : shownPath_(std::move(shownPath)) {}

Status FileSink::Stamp(TDateTime time) {
    if (failure_) return *failure_;
    const std::uint32_t dosTime = PackDosDateTime(time);
    if (dosTime == 0) return {};
    if (const int error = SetFileTimeFromDos(descriptor_, dosTime)) {
        Fail(error);
        return *failure_;
    }
    return {};
}

Status FileSink::Finish() {
    if (failure_) return *failure_;
    const bool finished = FlushAndCheckSize() && CloseDescriptor();
    if (!finished) return *failure_;
    QIODevice::close();
    return {};
}

qint64 FileSink::readData(char*, qint64) {
    return -1;
}

qint64 FileSink::writeData(const char* data, qint64 size) {
    if (failure_) return -1;
    if (const int error = WriteAll(descriptor_, QByteArrayView(data, size))) {
        Fail(error);
        return -1;
    }
    written_ += size;
    return size;
}

void FileSink::Fail(int error) {
    if (failure_) return;
    failure_ = SystemFailure(FailureCode::CannotWrite, QStringLiteral("cannot write ") + shownPath_, error);
    setErrorString(QString::fromLocal8Bit(std::strerror(error)));
}
