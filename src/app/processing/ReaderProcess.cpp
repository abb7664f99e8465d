// The reader's process as the program sees it: which helper, what it is asked, and its answer made a bitmap.
#include "ReaderProcess.h"

#include "AbiBitmap.h"
#include "BMPExtImage.h"
#include "ReaderAnswer.h"
#include "ReaderLaunch.h"
#include "SharedPixels.h"

#include <QCoreApplication>
#include <QFileInfo>

QString InstalledReaderProgram() {
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = folder + QStringLiteral("/stratolux-reader");
    const QString libexec =
        QFileInfo(folder + QStringLiteral("/../libexec/stratolux/stratolux-reader")).absoluteFilePath();
    return QFileInfo(beside).isExecutable() || !QFileInfo(libexec).isExecutable() ? beside : libexec;
}

Status ReadAbiImageIsolated(const QString& fileName, TExtBitmap& bitmap, float& longitude,
                            bool singleFileMode, std::chrono::milliseconds retryOpen,
                            const ReaderProcessSettings& reader) {
    if (bitmap.PixelFormat() != TPixelFormat::pf8bit)
        return Failure{FailureCode::ReaderFailed, QStringLiteral("the reader fills only 8-bit images")};
    auto pixels = SharedPixelFile::Create();
    if (!pixels) return pixels.status();
    const QString program = reader.program.isEmpty() ? InstalledReaderProgram() : reader.program;
    const QStringList arguments{fileName, QString::number(retryOpen.count()),
                                singleFileMode ? QStringLiteral("1") : QStringLiteral("0")};
    const auto bytes = RunReaderProcess(program, arguments, *pixels, reader.answerWithin);
    if (!bytes) return bytes.status();
    const auto answer = DecodeReaderAnswer(*bytes);
    if (!answer)
        return Failure{FailureCode::ReaderFailed, QStringLiteral("the reader's answer is unreadable")};
    if (!answer->status) return answer->status;
    auto rows = pixels->MapRows(answer->width, answer->height, static_cast<std::size_t>(answer->rowBytes));
    if (!rows) return rows.status();
    if (Status adopted = AdoptGreyRows(bitmap, std::move(*rows)); !adopted) return adopted;
    longitude = answer->longitude;
    return {};
}
