// Judging the station's health.
#include "StationHealth.h"

#include "StationFacts.h"

#include <QMap>
#include <algorithm>

namespace {

QString Files(qsizetype count) {
    return count == 1 ? QStringLiteral("1 file") : QString::number(count) + " files";
}

QString Stalled(const StationFacts& facts) {
    const StationSnapshot& station = *facts.snapshot;
    const QDateTime lastWork = std::max(station.lastProcessed, station.started);
    if (facts.waitingFiles == 0 || !station.running || lastWork.secsTo(facts.now) < kStalledAfterSeconds)
        return {};
    const QString since = station.lastProcessed.isValid() ? PageTime(station.lastProcessed)
                                                          : "the start at " + PageTime(station.started);
    return QString("Nothing processed since %1, yet %2 wait%3 in the source folder.")
        .arg(since, Files(facts.waitingFiles), facts.waitingFiles == 1 ? "s" : "");
}

// The ticked bands with no image within kLateAfterCycles of their cycle, grouped by that time; the program's
// first cycles are theirs to arrive in.
QStringList LateBands(const StationFacts& facts) {
    QMap<int, QStringList> late; // by minutes allowed
    for (int band = 0; band < kBandCount; ++band) {
        if (!facts.ticked[band]) continue;
        const int allowed = kLateAfterCycles * facts.scans[band].cycleMinutes;
        const auto recent = [&](const QDateTime& time) {
            return time.isValid() && time.secsTo(facts.now) <= allowed * 60;
        };
        if (!recent(ScannedAt(facts, band)) && !recent(facts.snapshot->started))
            late[allowed] << BandCode.at(band);
    }
    QStringList sentences;
    for (auto group = late.cbegin(); group != late.cend(); ++group)
        sentences << QString("No image newer than %1 min: %2.").arg(group.key()).arg(group->join(", "));
    return sentences;
}

QStringList LowSpace(const std::vector<FolderReport>& folders) {
    QStringList sentences;
    for (const FolderReport& folder : folders)
        if (folder.space && folder.space->totalBytes > 0 &&
            folder.space->freeBytes < kLowSpaceShare * double(folder.space->totalBytes))
            sentences << QString("%1 folder %2 has only %3 free of %4.")
                             .arg(FolderName(folder.role), folder.path, DataSize(folder.space->freeBytes),
                                  DataSize(folder.space->totalBytes));
    return sentences;
}

} // namespace

HealthVerdict JudgeHealth(const StationFacts& facts) {
    const StationSnapshot& station = *facts.snapshot;
    QStringList failing;
    if (!station.running) failing << QStringLiteral("Processing is stopped.");
    // A folder not made yet is made for the first file that needs it: nothing is wrong.
    for (const FolderWarning& folder : facts.folderProblems)
        if (!folder.createdWhenNeeded) failing << folder.Text() + ".";
    if (const QString stalled = Stalled(facts); !stalled.isEmpty()) failing << stalled;

    QStringList warnings;
    if (const qsizetype staying = station.staying.size())
        warnings << QString("%1 stay%2 in the source folder.").arg(Files(staying), staying == 1 ? "s" : "");
    warnings << LateBands(facts) << LowSpace(facts.folders);

    const Health health = !failing.isEmpty()    ? Health::Failing
                          : !warnings.isEmpty() ? Health::Warning
                                                : Health::Ok;
    return {health, failing + warnings};
}

QString HealthName(Health health) {
    switch (health) {
    case Health::Ok:
        return QStringLiteral("ok");
    case Health::Warning:
        return QStringLiteral("warning");
    case Health::Failing:
        return QStringLiteral("failing");
    }
    return {};
}
