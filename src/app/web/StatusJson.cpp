// Writing the status data.
#include "StatusJson.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

QJsonValue Time(const QDateTime& time) {
    return time.isValid() ? QJsonValue(IsoTime(time)) : QJsonValue();
}

QJsonValue Count(const std::optional<qint64>& count) {
    return count ? QJsonValue(*count) : QJsonValue();
}

// A share of 0 to 1 as a percentage to two decimals.
QJsonValue SharePercent(const std::optional<double>& share) {
    return share ? QJsonValue(std::round(*share * 10000.0) / 100.0) : QJsonValue();
}

// How whole the image is, and the values of its file that say so.
void AddCompleteness(QJsonObject& entry, const BandImage& image) {
    const AbiCompleteness& stated = image.completeness;
    const std::optional<double> percent = stated.Percent();
    const QString contradiction = stated.Contradiction();
    entry.insert("completeness", percent ? QJsonValue(*percent) : QJsonValue());
    entry.insert("incomplete", image.incomplete);
    entry.insert("countsContradiction", contradiction.isEmpty() ? QJsonValue() : QJsonValue(contradiction));
    entry.insert("pixelCounts", QJsonObject{{"valid", Count(stated.validPixels)},
                                            {"missing", Count(stated.missingPixels)},
                                            {"saturated", Count(stated.saturatedPixels)},
                                            {"undersaturated", Count(stated.undersaturatedPixels)}});
    entry.insert("qualityPercent",
                 QJsonObject{{"good", SharePercent(stated.goodShare)},
                             {"conditionallyUsable", SharePercent(stated.conditionallyUsableShare)},
                             {"outOfRange", SharePercent(stated.outOfRangeShare)},
                             {"noValue", SharePercent(stated.noValueShare)}});
    entry.insert(
        "uncorrectableErrors",
        stated.uncorrectableErrors
            ? QJsonValue(QJsonObject{{"source", stated.errorSource == AbiErrorSource::GRB ? "GRB" : "L0"},
                                     {"percent", SharePercent(stated.uncorrectableErrors)}})
            : QJsonValue());
}

QJsonArray Bands(const StationFacts& facts) {
    QJsonArray bands;
    for (int band = 0; band < kBandCount; ++band) {
        const std::optional<ImageFile>& file = facts.images[band];
        const BandImage& shown = facts.snapshot->bands[band];
        QJsonValue image;
        if (file) {
            QJsonObject entry{{"name", file->name},
                              {"scanStart", Time(facts.scans[band].start)},
                              {"time", Time(file->time)},
                              {"bytes", file->bytes},
                              {"viewMade", !shown.view.isEmpty()}};
            AddCompleteness(entry, shown);
            image = entry;
        }
        const std::optional<ImageFile>& tif = facts.geoTiffs[band];
        const QJsonValue geoTiff =
            tif ? QJsonObject{{"name", tif->name}, {"time", Time(tif->time)}, {"bytes", tif->bytes}}
                : QJsonValue();
        bands.append(QJsonObject{{"band", BandCode.at(band)}, {"image", image}, {"geoTiff", geoTiff}});
    }
    return bands;
}

QJsonArray StayingFiles(const StationSnapshot& station) {
    QJsonArray files;
    for (auto file = station.staying.cbegin(); file != station.staying.cend(); ++file)
        files.append(QJsonObject{{"name", QFileInfo(file.key()).fileName()},
                                 {"reason", file->reason},
                                 {"since", Time(file->since)}});
    return files;
}

QJsonArray Folders(const std::vector<FolderReport>& reports) {
    QJsonArray folders;
    for (const FolderReport& folder : reports) {
        QJsonObject entry{{"role", folder.role}, {"path", folder.path}};
        if (folder.space) {
            entry.insert("freeBytes", folder.space->freeBytes);
            entry.insert("totalBytes", folder.space->totalBytes);
        } else {
            entry.insert("problem", folder.space.failure().message);
        }
        folders.append(entry);
    }
    return folders;
}

} // namespace

QByteArray StatusJson(const StationFacts& facts) {
    const StationSnapshot& station = *facts.snapshot;
    const QJsonObject status{
        {"caption", station.caption},
        {"instance", station.instance},
        {"version", station.version},
        {"started", Time(station.started)},
        {"time", Time(facts.now)},
        {"state", station.State()},
        {"health", HealthName(facts.health.health)},
        {"problems", QJsonArray::fromStringList(facts.health.problems)},
        {"lastScan", QJsonObject{{"start", Time(station.lastScanStart)}, {"end", Time(station.lastScanEnd)}}},
        {"nextScan", Time(station.nextScan)},
        {"counts", QJsonObject{{"processed", station.counts.processed},
                               {"failed", station.counts.failed},
                               {"skipped", station.counts.skipped},
                               {"incomplete", station.counts.incomplete}}},
        {"bands", Bands(facts)},
        {"stayingFiles", StayingFiles(station)},
        {"folders", Folders(facts.folders)},
    };
    return QJsonDocument(status).toJson();
}
