// The log file: appending line by line, the checked rewrite and reading it back.
#include "LogFile.h"

#include "DurableFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstdio>
#include <utility>

namespace {

QByteArray FileLine(const QString& line) {
    return line.toUtf8() + "\r\n";
}

void SayOnStandardError(const QString& text) {
    std::fputs(("Stratolux: " + text + "\n").toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
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

LogFile::LogFile(QString fileName) : fileName_(std::move(fileName)) {}

std::optional<QString> LogFile::Read() const {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;

    QStringDecoder decode(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    QString text = decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n')) text.chop(1);
    return text;
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
