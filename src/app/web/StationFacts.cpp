// Gathering the facts of one request.
#include "StationFacts.h"

#include <QFileInfo>

StationFacts GatherFacts(std::shared_ptr<const StationSnapshot> snapshot, const ProcessingOptions& options,
                         const QDateTime& now) {
    StationFacts facts{std::move(snapshot), {}, ReportFolders(options), now};
    for (int band = 0; band < kBandCount; ++band) {
        const QFileInfo file(facts.snapshot->bands[band].path);
        if (file.fileName().isEmpty() || !file.isFile()) continue;
        facts.images[band] = ImageFile{file.fileName(), file.lastModified().toUTC(), file.size()};
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
