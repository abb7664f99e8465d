// The reader's process as the program sees it: which helper, what it is asked, and its answer made a bitmap.
#include "ReaderProcess.h"

#include "AbiBitmap.h"
#include "ReaderMessages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

QString InstalledReaderProgram() {
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = folder + QStringLiteral("/stratolux-reader");
    const QString libexec =
        QFileInfo(folder + QStringLiteral("/../libexec/stratolux/stratolux-reader")).absoluteFilePath();
    return QFileInfo(beside).isExecutable() || !QFileInfo(libexec).isExecutable() ? beside : libexec;
}

std::chrono::milliseconds ReaderAnswerBound(int storedMinutes) {
    constexpr std::chrono::minutes kDay = std::chrono::hours(24);
    if (storedMinutes < 1) return ReaderProcessSettings().answerWithin;
    return std::min<std::chrono::milliseconds>(std::chrono::minutes(storedMinutes), kDay);
}

Result<ReaderProcess> ReaderProcess::Start(const ReaderProcessSettings& settings) {
    auto pixels = SharedPixelFile::Create();
    if (!pixels) return pixels.failure();
    const QString program = settings.program.isEmpty() ? InstalledReaderProgram() : settings.program;
    auto child = SpawnedReader::Start(program, *pixels);
    if (!child) return child.failure();
    return ReaderProcess(std::move(*pixels), std::move(*child), settings.answerWithin);
}

ReaderProcess::ReaderProcess(SharedPixelFile pixels, SpawnedReader child,
                             std::chrono::milliseconds answerWithin)
    : pixels_(std::move(pixels)), child_(std::move(child)), answerWithin_(answerWithin) {}

Status ReaderProcess::Read(const QString& fileName, bool singleFileMode, std::chrono::milliseconds retryOpen,
                           TExtBitmap& bitmap, float& longitude) {
    const auto bytes =
        child_.Ask(EncodeReaderRequest({fileName, retryOpen, singleFileMode}), answerWithin_,
                   [](const QByteArray& part) { return DecodeReaderAnswer(part).has_value(); });
    if (!bytes) return bytes.status();
    const auto answer = DecodeReaderAnswer(*bytes);
    if (!answer->status) return answer->status;
    auto rows = pixels_.MapRows(answer->width, answer->height, static_cast<std::size_t>(answer->rowBytes));
    if (!rows) return rows.status();
    if (Status adopted = AdoptGreyRows(bitmap, std::move(*rows)); !adopted) return adopted;
    longitude = answer->longitude;
    return {};
}

Status ReadAbiImageIsolated(const QString& fileName, TExtBitmap& bitmap, float& longitude,
                            bool singleFileMode, std::chrono::milliseconds retryOpen,
                            const ReaderProcessSettings& reader) {
    auto started = ReaderProcess::Start(reader);
    if (!started) return started.status();
    return started->Read(fileName, singleFileMode, retryOpen, bitmap, longitude);
}
