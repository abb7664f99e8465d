// Writing the status data.
#include "StatusJson.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonValue Time(const QDateTime& time) {
    return time.isValid() ? QJsonValue(IsoTime(time)) : QJsonValue();
}

QJsonArray Bands(const StationFacts& facts) {
    QJsonArray bands;
    for (int band = 0; band < kBandCount; ++band) {
        const std::optional<ImageFile>& file = facts.images[band];
        const QJsonValue image = file ? QJsonObject{{"name", file->name},
                                                    {"time", Time(file->time)},
                                                    {"bytes", file->bytes},
                                                    {"viewMade", !facts.snapshot->bands[band].view.isEmpty()}}
                                      : QJsonValue();
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
        {"lastScan", QJsonObject{{"start", Time(station.lastScanStart)}, {"end", Time(station.lastScanEnd)}}},
        {"nextScan", Time(station.nextScan)},
        {"counts", QJsonObject{{"processed", station.counts.processed},
                               {"failed", station.counts.failed},
                               {"skipped", station.counts.skipped}}},
        {"bands", Bands(facts)},
        {"stayingFiles", StayingFiles(station)},
        {"folders", Folders(facts.folders)},
    };
    return QJsonDocument(status).toJson();
}
