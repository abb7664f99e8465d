// The reader's process as the program sees it: which helper, what it is asked, and its answer made a bitmap.
#include "ReaderProcess.h"

#include "AbiBitmap.h"
#include "ReaderMessages.h"
#include "SharedPixelFile.h"
#include "SpawnedReader.h"

#include <QCoreApplication>
#include <QFileInfo>

struct ReaderProcess::Started {
    SharedPixelFile pixels;
    SpawnedReader child;
    std::chrono::milliseconds answerWithin;
};

QString InstalledReaderProgram() {
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = folder + QStringLiteral("/stratolux-reader");
    const QString libexec =
        QFileInfo(folder + QStringLiteral("/../libexec/stratolux/stratolux-reader")).absoluteFilePath();
    return QFileInfo(beside).isExecutable() || !QFileInfo(libexec).isExecutable() ? beside : libexec;
}

Result<ReaderProcess> ReaderProcess::Start(const ReaderProcessSettings& settings) {
    auto pixels = SharedPixelFile::Create();
    if (!pixels) return pixels.failure();
    const QString program = settings.program.isEmpty() ? InstalledReaderProgram() : settings.program;
    auto child = SpawnedReader::Start(program, *pixels);
    if (!child) return child.failure();
    return ReaderProcess(
        std::make_unique<Started>(std::move(*pixels), std::move(*child), settings.answerWithin));
}

ReaderProcess::ReaderProcess(std::unique_ptr<Started> started) : started_(std::move(started)) {}
ReaderProcess::~ReaderProcess() = default;
ReaderProcess::ReaderProcess(ReaderProcess&&) noexcept = default;
ReaderProcess& ReaderProcess::operator=(ReaderProcess&&) noexcept = default;

Status ReaderProcess::Read(const AbiReadRequest& request, TExtBitmap& bitmap, float& longitude,
                           AbiCompleteness& completeness, std::optional<AbiGeolocation>* geolocation) {
    const auto bytes =
        started_->child.Ask(EncodeReaderRequest(request), started_->answerWithin,
                            [](const QByteArray& part) { return DecodeReaderAnswer(part).has_value(); });
    if (!bytes) return bytes.status();
    const auto answer = DecodeReaderAnswer(*bytes);
    if (!answer->status) return answer->status;
    auto rows =
        started_->pixels.MapRows(answer->width, answer->height, static_cast<std::size_t>(answer->rowBytes));
    if (!rows) return rows.status();
    if (Status adopted = AdoptGreyRows(bitmap, std::move(*rows)); !adopted) return adopted;
    longitude = answer->longitude;
    completeness = answer->completeness;
    if (geolocation) *geolocation = answer->geolocation;
    return {};
}

Status ReadAbiImageIsolated(const AbiReadRequest& request, TExtBitmap& bitmap, float& longitude,
                            const ReaderProcessSettings& reader, std::optional<AbiGeolocation>* geolocation) {
    auto started = ReaderProcess::Start(reader);
    if (!started) return started.status();
    AbiCompleteness completeness;
    return started->Read(request, bitmap, longitude, completeness, geolocation);
}
