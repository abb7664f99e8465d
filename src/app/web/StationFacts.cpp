// Gathering the facts of one request.
#include "StationFacts.h"

#include <QDir>
#include <QFileInfo>

namespace {

std::optional<ImageFile> Described(const QFileInfo& file) {
    if (file.fileName().isEmpty() || !file.isFile()) return std::nullopt;
    return ImageFile{file.fileName(), file.lastModified().toUTC(), file.size()};
}

} // namespace

StationFacts GatherFacts(std::shared_ptr<const StationSnapshot> snapshot, const ProcessingOptions& options,
                         const QDateTime& now) {
    StationFacts facts{std::move(snapshot), {}, {}, ReportFolders(options), now};
    for (int band = 0; band < kBandCount; ++band) {
        const QFileInfo file(facts.snapshot->bands[band].path);
        facts.images[band] = Described(file);
        if (facts.images[band])
            facts.geoTiffs[band] =
                Described(QFileInfo(file.dir().filePath(file.completeBaseName() + ".tif")));
    }
    return facts;
}

QString PageTime(const QDateTime& time) {
    return time.isValid() ? time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss 'UTC'"))
                          : QStringLiteral("\u2013");
}

QString IsoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODate);
}
