// Sorting the source folder's netCDF names into what the scan takes and what it passes by.
#include "SourceSurvey.h"

#include "AbiFileName.h"
#include "ScanList.h"
#include "Utils.h"

#include <QStringDecoder>

namespace {

QString Escaped(const QByteArray& name) {
    QString text;
    for (const char byte : name) {
        const auto value = static_cast<unsigned char>(byte);
        if (value >= 0x20 && value < 0x7f)
            text += QChar(value);
        else
            text += QStringLiteral("\\x%1").arg(value, 2, 16, QChar(u'0'));
    }
    return text;
}

std::optional<QString> Utf8(const QByteArray& name) {
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(name);
    if (decode.hasError()) return std::nullopt;
    return text;
}

std::optional<AbiFileInfo> FullDiskRadianceName(const QString& name) {
    if (!name.startsWith(QStringLiteral("OR_ABI-L1b-RadF-"), Qt::CaseInsensitive)) return std::nullopt;
    return DecodeAbiFileName(name);
}

QString Files(int count) {
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

} // namespace

bool SourceSurvey::SameKindsAs(const SourceSurvey& other) const {
    return otherSatellites.keys() == other.otherSatellites.keys() &&
           (notFullDisk > 0) == (other.notFullDisk > 0) && undecodableNames == other.undecodableNames;
}

SourceSurvey SurveySourceFolder(const ProcessingOptions& options) {
    SourceSurvey survey;
    if (options.sourcePath.isEmpty()) return survey;
    const QString mask = ScanMask(options.sourcePath, options.satelliteName).mid(options.sourcePath.size());
    for (const QByteArray& raw : NetCdfNamesIn(options.sourcePath)) {
        const std::optional<QString> name = Utf8(raw);
        if (!name) {
            survey.undecodableNames << Escaped(raw);
            continue;
        }
        if (MatchesMask(*name, mask)) continue;
        if (const std::optional<AbiFileInfo> fullDisk = FullDiskRadianceName(*name)) {
            ++survey.otherSatellites[fullDisk->satellite];
        } else {
            if (survey.notFullDisk++ == 0) survey.notFullDiskExample = *name;
        }
    }
    survey.undecodableNames.sort();
    return survey;
}

QList<LogLine> SurveyLines(const SourceSurvey& survey, const ProcessingOptions& options) {
    QStringList lines;
    for (auto satellite = survey.otherSatellites.cbegin(); satellite != survey.otherSatellites.cend();
         ++satellite)
        lines << QStringLiteral("Source folder holds %1 of %2; %3 is selected")
                     .arg(Files(satellite.value()), SatelliteName(satellite.key()), options.satelliteName);
    if (survey.notFullDisk == 1)
        lines << "Source folder holds 1 file that is not a full-disk radiance file: " +
                     survey.notFullDiskExample;
    if (survey.notFullDisk > 1)
        lines << QStringLiteral(
                     "Source folder holds %1 files that are not full-disk radiance files, such as %2")
                     .arg(survey.notFullDisk)
                     .arg(survey.notFullDiskExample);
    for (const QString& name : survey.undecodableNames)
        lines << "Source folder holds a file whose name is not valid UTF-8, which is not processed: " + name;
    QList<LogLine> warnings;
    for (const QString& line : lines) warnings << LogLine{line, LogSeverity::Warning};
    return warnings;
}
