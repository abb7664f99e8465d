// Output folders and names of the archive copy and the images.
#include "OutputNames.h"

#include <QFileInfo>
#include <QStringList>

namespace {

constexpr qsizetype kShortNameLength = 24; // "202401021230-g16-b13.png", or .jpg or .tif
constexpr qsizetype kShortNameTag = 13;
constexpr qsizetype kShortNameBand = 17;

const QString kReceivedPrefix = QStringLiteral("OR_ABI-L1b-RadF-");

bool IsImageSuffix(QStringView suffix) {
    return suffix == u".png" || suffix == u".jpg" || suffix == u".tif";
}

// A whole number written with exactly the characters of `digits`; none for any other text.
std::optional<int> Digits(QStringView digits) {
    if (digits.isEmpty()) return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// Parsed as ShortImageBaseName writes it, then written again, so that only the program's own form counts.
bool IsShortImageName(const QString& name) {
    if (name.size() != kShortNameLength || !IsImageSuffix(QStringView(name).right(4))) return false;
    const QStringView view(name);
    const auto year = Digits(view.mid(0, 4)), month = Digits(view.mid(4, 2)), day = Digits(view.mid(6, 2));
    const auto hour = Digits(view.mid(8, 2)), minute = Digits(view.mid(10, 2));
    const auto satellite = Digits(view.mid(kShortNameTag + 1, 2));
    const auto band = Digits(view.mid(kShortNameBand + 1, 2));
    if (!year || !month || !day || !hour || !minute || !satellite || !band) return false;
    const SatelliteCode code = static_cast<SatelliteCode>(*satellite - 15); // g16 is GOES-16, code 1
    if (!QDate(*year, *month, *day).isValid() || *hour > 23 || *minute > 59 || *satellite < 16 ||
        code > kSatelliteCount || *band < 1 || *band > kBandCount)
        return false;
    const TDateTime startTime =
        EncodeDateTime({.year = *year, .month = *month, .day = *day, .hour = *hour, .minute = *minute});
    return ShortImageBaseName(startTime, code, false, *band - 1) + name.right(4) == name;
}

bool IsReceivedFileName(const QString& name) {
    return name.startsWith(kReceivedPrefix, Qt::CaseInsensitive) && DecodeAbiFileName(name).has_value();
}

} // namespace

QString ReadCopyName(const QString& receivedName) {
    return "." + receivedName + ".reading";
}

QString DatedSubFolder(TDateTime startTime) {
    return FormatDateTime("yyyy/mm/dd/", startTime);
}

QString ShortImageBaseName(TDateTime startTime, SatelliteCode satellite, bool save19As16, int bandIndex) {
    return FormatDateTime("yyyymmddhhnn-", startTime) + SatelliteShortTag(satellite, save19As16) +
           BandCode.at(bandIndex).toLower();
}

OutputPaths DeriveOutputPaths(const ProcessingOptions& options, const QString& fileName,
                              const AbiFileInfo& name) {
    OutputPaths paths;
    const QString dated = options.datesInFolders ? DatedSubFolder(name.startTime) : QString();
    paths.netCdfFolder = options.netCdfPath + dated;
    paths.imageFolder = options.savePath + dated;
    paths.copyPath = paths.netCdfFolder + fileName;
    paths.readCopyPath = paths.netCdfFolder + ReadCopyName(fileName);

    QString base;
    if (options.shortImageNames) {
        base = paths.imageFolder +
               ShortImageBaseName(name.startTime, name.satellite, options.save19As16, name.bandIndex);
    } else {
        const QFileInfo copy(paths.copyPath);
        const QString stem = copy.suffix().isEmpty() ? copy.fileName() : copy.completeBaseName();
        base = paths.netCdfFolder + stem;
    }
    paths.pngPath = base + ".png";
    paths.jpegPath = base + ".jpg";
    paths.geoTiffPath = base + ".tif";
    return paths;
}

OutputKind OutputKindOf(const QString& name) {
    if (IsShortImageName(name)) return OutputKind::Image;
    if (!IsReceivedFileName(name)) return OutputKind::Other;
    const QStringView suffix = QStringView(name).right(4);
    if (IsImageSuffix(suffix)) return OutputKind::Image;
    if (suffix.right(3).compare(u".nc", Qt::CaseInsensitive) == 0) return OutputKind::ArchivedFile;
    return OutputKind::Other;
}

bool IsLeftoverName(const QString& name) {
    const auto inner = [](QStringView text, QStringView suffix) -> std::optional<QString> {
        if (text.size() <= suffix.size() + 1 || !text.startsWith(u'.') || !text.endsWith(suffix))
            return std::nullopt;
        return text.mid(1, text.size() - 1 - suffix.size()).toString();
    };
    const std::optional<QString> partialOf = inner(name, u".partial");
    const QString named = partialOf.value_or(name);
    if (const std::optional<QString> readCopyOf = inner(named, u".reading"))
        return OutputKindOf(*readCopyOf) == OutputKind::ArchivedFile;
    return partialOf && OutputKindOf(*partialOf) != OutputKind::Other;
}

std::optional<QDate> DatedFolderStart(const QString& relativePath) {
    const QStringList levels = relativePath.split(u'/');
    if (levels.size() > 3) return std::nullopt;
    int parts[3] = {0, 1, 1};
    constexpr qsizetype kLengths[3] = {4, 2, 2};
    for (qsizetype level = 0; level < levels.size(); ++level) {
        const std::optional<int> value = Digits(levels[level]);
        if (!value || levels[level].size() != kLengths[level]) return std::nullopt;
        parts[level] = *value;
    }
    const QDate start(parts[0], parts[1], parts[2]);
    if (parts[0] < 1 || !start.isValid()) return std::nullopt;
    return start;
}
