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

// What a name says of the file: its kind, the satellite whose output it is, and whether it is a short name.
struct NamedOutput {
    OutputKind kind = OutputKind::Other;
    SatelliteCode satellite = 0; // a short name's tag (g16 is GOES-16), or a received name's satellite field
    bool shortName = false;
};

// What a short image name says: the satellite of its tag and the scan start.
struct ShortImageName {
    SatelliteCode satellite = 0;
    TDateTime startTime = 0;
};

// A name parsed as ShortImageBaseName writes it, then written again, so that only the program's own form
// counts; none for any other name.
std::optional<ShortImageName> ParseShortImageName(const QString& name) {
    if (name.size() != kShortNameLength || !IsImageSuffix(QStringView(name).right(4))) return std::nullopt;
    const QStringView view(name);
    const auto year = Digits(view.mid(0, 4)), month = Digits(view.mid(4, 2)), day = Digits(view.mid(6, 2));
    const auto hour = Digits(view.mid(8, 2)), minute = Digits(view.mid(10, 2));
    const auto satellite = Digits(view.mid(kShortNameTag + 1, 2));
    const auto band = Digits(view.mid(kShortNameBand + 1, 2));
    if (!year || !month || !day || !hour || !minute || !satellite || !band) return std::nullopt;
    const SatelliteCode code = static_cast<SatelliteCode>(*satellite - 15); // g16 is GOES-16, code 1
    if (!QDate(*year, *month, *day).isValid() || *hour > 23 || *minute > 59 || *satellite < 16 ||
        code > kSatelliteCount || *band < 1 || *band > kBandCount)
        return std::nullopt;
    const TDateTime startTime =
        EncodeDateTime({.year = *year, .month = *month, .day = *day, .hour = *hour, .minute = *minute});
    if (ShortImageBaseName(startTime, code, false, *band - 1) + name.right(4) != name) return std::nullopt;
    return ShortImageName{code, startTime};
}

NamedOutput ParseOutputName(const QString& name) {
    if (const std::optional<ShortImageName> shortName = ParseShortImageName(name))
        return {OutputKind::Image, shortName->satellite, true};
    if (!name.startsWith(kReceivedPrefix, Qt::CaseInsensitive)) return {};
    const std::optional<AbiFileInfo> received = DecodeAbiFileName(name);
    if (!received) return {};
    const QStringView suffix = QStringView(name).right(4);
    if (IsImageSuffix(suffix)) return {OutputKind::Image, received->satellite, false};
    if (suffix.right(3).compare(u".nc", Qt::CaseInsensitive) == 0)
        return {OutputKind::ArchivedFile, received->satellite, false};
    return {};
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
    return ParseOutputName(name).kind;
}

std::optional<TDateTime> ImageScanStart(const QString& name) {
    if (const std::optional<ShortImageName> shortName = ParseShortImageName(name))
        return shortName->startTime;
    if (OutputKindOf(name) != OutputKind::Image) return std::nullopt;
    return DecodeAbiFileName(name)->startTime;
}

OutputKind OwnOutputKindOf(const QString& name, SatelliteCode satellite, bool save19As16) {
    const NamedOutput output = ParseOutputName(name);
    const bool own = output.shortName ? SatelliteShortTag(output.satellite, false) ==
                                            SatelliteShortTag(satellite, save19As16)
                                      : output.satellite == satellite;
    return own ? output.kind : OutputKind::Other;
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
