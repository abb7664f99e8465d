// The log file: appending line by line, the checked rewrite and reading it back.
#include "LogFile.h"

#include "DurableFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

QByteArray FileLine(const QString& line) {
    return line.toUtf8() + "\r\n";
}

// The tail read first; a tail of fewer lines than asked for is read again four times as long.
constexpr qint64 kFirstTailBytes = 256 * 1024;

qint64 CodeUnitBytes(QStringConverter::Encoding encoding) {
    switch (encoding) {
    case QStringConverter::Utf16:
    case QStringConverter::Utf16LE:
    case QStringConverter::Utf16BE:
        return 2;
    case QStringConverter::Utf32:
    case QStringConverter::Utf32LE:
    case QStringConverter::Utf32BE:
        return 4;
    default:
        return 1;
    }
}

// The lines of a text with CR LF, LF or CR line ends; a line end at the very end starts no further line.
QStringList SplitLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n')) text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

Failure WriteFailure(const QString& path, const QFileDevice& file) {
    return {FailureCode::CannotWrite, "cannot write " + path + ": " + file.errorString()};
}

// Writes all of bytes to a file opened unbuffered. A short write is followed by another, so that the
// failure comes with the system's reason (a short write alone gives none).
Status WriteAll(QFile& file, const QByteArray& bytes) {
    for (qint64 written = 0; written < bytes.size();) {
        const qint64 count = file.write(bytes.constData() + written, bytes.size() - written);
        if (count <= 0) return WriteFailure(file.fileName(), file);
        written += count;
    }
    return {};
}

} // namespace

void SayOnStandardError(const QString& text) {
    std::fputs(("Stratolux: " + text + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

LogFile::LogFile(QString fileName) : fileName_(std::move(fileName)) {}

std::optional<QStringList> LogFile::ReadLastLines(int lineCount) const {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray head = file.read(4);
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    const QStringConverter::Encoding encoding =
        QStringConverter::encodingForData(head).value_or(QStringConverter::Utf8);
    // A tail starts on a whole code unit, counted from the end of a UTF-16 or UTF-32 byte-order mark.
    const qint64 unit = CodeUnitBytes(encoding);
    const qint64 origin = unit > 1 ? unit : 0;
    const qint64 size = file.size();
    for (qint64 tailBytes = kFirstTailBytes;; tailBytes *= 4) {
        qint64 start = std::max(origin, size - tailBytes);
        start -= (start - origin) % unit;
        if (!file.seek(start)) return std::nullopt;
        const QByteArray bytes = file.read(size - start);
        if (bytes.size() != size - start) return std::nullopt;
        // The decoder passes over a byte-order mark at the start of the file.
        QStringDecoder decode(encoding);
        QStringList lines = SplitLines(decode(bytes));
        const bool wholeFile = start <= origin;
        // A tail begins inside a line, which is not taken.
        if (!wholeFile && !lines.isEmpty()) lines.removeFirst();
        if (wholeFile || lines.size() >= lineCount)
            return lines.size() > lineCount ? lines.mid(lines.size() - lineCount) : lines;
    }
}

bool LogFile::Exists() const {
    return QFileInfo::exists(fileName_);
}

Status LogFile::OpenForAppending() {
    if (appending_.isOpen() && AppendingToTheNamedFile()) return {};
    appending_.close();
    // A folder that cannot be made shows in the failure to open the file.
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    appending_.setFileName(fileName_);
    // Unbuffered: every line reaches the system at once and survives the program being killed.
    if (!appending_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return Failure{FailureCode::CannotWrite,
                       "cannot open " + fileName_ + ": " + appending_.errorString()};
    return {};
}

Status LogFile::Append(const QString& line) {
    if (Status opened = OpenForAppending(); !opened) {
        behind_ = true;
        return Outcome(opened);
    }
    const qint64 end = appending_.size();
    Status written = WriteAll(appending_, FileLine(line));
    if (!written) {
        // No part of the line stays, or the next line would be glued to it. Should even the cut fail, the
        // file is behind and the next line replaces it whole.
        appending_.resize(end);
        appending_.close();
        behind_ = true;
    }
    return Outcome(std::move(written));
}

Status LogFile::Rewrite(const QStringList& lines) {
    QByteArray content;
    for (const QString& line : lines) content += FileLine(line);
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    Status written = PublishFile(fileName_, [&content](QIODevice& sink) -> Status {
        if (sink.write(content) == content.size()) return {};
        return Failure{FailureCode::CannotWrite, sink.errorString()};
    });
    if (written) behind_ = false;
    return Outcome(std::move(written));
}

Status LogFile::Outcome(Status status) {
    if (!status && !failing_)
        SayOnStandardError("the log file is not written (" + status.failure().message +
                           "); the log goes on in the window and on standard output");
    else if (status && failing_)
        SayOnStandardError("the log file " + fileName_ + " is written again");
    failing_ = !status;
    return status;
}
