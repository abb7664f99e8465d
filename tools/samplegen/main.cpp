// abisample: writes synthetic ABI L1b full-disk radiance files and prints the path of each.
#include "AbiSample.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitBadArguments = 2;

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void BadArgument(const QString& message) {
    throw UsageError(message.toStdString());
}

long long Integer(const QCommandLineParser& parser, const QString& name, long long lowest,
                  long long highest) {
    bool ok = false;
    const long long value = parser.value(name).toLongLong(&ok);
    if (!ok || value < lowest || value > highest)
        BadArgument(QStringLiteral("--%1 must be a whole number from %2 to %3, not \"%4\"")
                        .arg(name)
                        .arg(lowest)
                        .arg(highest)
                        .arg(parser.value(name)));
    return value;
}

double Percent(const QCommandLineParser& parser, const QString& name) {
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || !(value >= 0.0 && value <= 100.0))
        BadArgument(QStringLiteral("--%1 must be a percentage from 0 to 100, not \"%2\"")
                        .arg(name, parser.value(name)));
    return value;
}

QDateTime StartTime(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d{1,3}))?Z?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    const auto field = [&match](int index) { return match.captured(index).toInt(); };
    const int milliseconds = match.captured(7).leftJustified(3, QLatin1Char('0')).toInt();
    const QDate date(field(1), field(2), field(3));
    const QTime time(field(4), field(5), field(6), milliseconds);
    if (!match.hasMatch() || !date.isValid() || !time.isValid())
        BadArgument(
            QStringLiteral("--start must be a UTC time like 2025-01-21T20:02:04.5, not \"%1\"").arg(text));
    return QDateTime(date, time, Qt::UTC);
}

// The usual sub-satellite longitude of each satellite: GOES-East or GOES-West.
float SlotLongitude(int satellite) {
    switch (satellite) {
    case 17:
        return -137.2f;
    case 18:
        return -137.0f;
    default:
        return -75.2f;
    }
}

struct Request {
    AbiSampleOptions options;
    std::vector<int> bands;
    QString folder;
};

Request ParseRequest(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        BadArgument(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    Request request;
    AbiSampleOptions& options = request.options;
    options.satellite = static_cast<int>(Integer(parser, QStringLiteral("satellite"), 16, 19));
    if (parser.value(QStringLiteral("band")).compare(QStringLiteral("all"), Qt::CaseInsensitive) == 0)
        for (int band = 1; band <= kAbiBandCount; ++band) request.bands.push_back(band);
    else
        request.bands.push_back(static_cast<int>(Integer(parser, QStringLiteral("band"), 1, kAbiBandCount)));
    const QString mode = parser.value(QStringLiteral("mode"));
    if (mode != QStringLiteral("3") && mode != QStringLiteral("4") && mode != QStringLiteral("6"))
        BadArgument(QStringLiteral("--mode must be 3, 4 or 6, not \"%1\"").arg(mode));
    options.scanMode = mode.toInt();
    if (parser.isSet(QStringLiteral("start")))
        options.start = StartTime(parser.value(QStringLiteral("start")));
    if (parser.isSet(QStringLiteral("size")))
        options.size = static_cast<int>(Integer(parser, QStringLiteral("size"), 1, 32767));
    options.longitude = SlotLongitude(options.satellite);
    if (parser.isSet(QStringLiteral("longitude"))) {
        bool ok = false;
        const float longitude = parser.value(QStringLiteral("longitude")).toFloat(&ok);
        if (!ok || longitude < -180.0f || longitude > 180.0f)
            BadArgument(QStringLiteral("--longitude must be a number of degrees from -180 to 180, not \"%1\"")
                            .arg(parser.value(QStringLiteral("longitude"))));
        options.longitude = longitude;
    }
    options.seed = static_cast<uint32_t>(Integer(parser, QStringLiteral("seed"), 0, UINT32_MAX));
    options.missingRowsPercent = Percent(parser, QStringLiteral("missing-rows"));
    options.uncorrectableErrorsPercent = Percent(parser, QStringLiteral("uncorrectable-errors"));
    options.grb = parser.isSet(QStringLiteral("grb"));
    request.folder = parser.value(QStringLiteral("out"));
    return request;
}

void PrintError(const QString& message) {
    std::fprintf(stderr, "abisample: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("abisample"));
    QCoreApplication::setApplicationVersion(QStringLiteral(STRATOLUX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes synthetic GOES-R ABI L1b full-disk radiance netCDF files and prints their paths."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("satellite"), QStringLiteral("Satellite 16..19 for GOES-16..GOES-19 (default 16)."),
         QStringLiteral("N"), QStringLiteral("16")},
        {QStringLiteral("band"),
         QStringLiteral("ABI band 1..16, or \"all\" for one file per band (default 13)."),
         QStringLiteral("N|all"), QStringLiteral("13")},
        {QStringLiteral("mode"), QStringLiteral("Scan mode 3, 4 or 6 (default 6)."), QStringLiteral("M"),
         QStringLiteral("6")},
        {QStringLiteral("start"), QStringLiteral("Scan start in UTC (default 2025-01-21T20:02:04.5)."),
         QStringLiteral("YYYY-MM-DDTHH:MM:SS[.s]")},
        {QStringLiteral("size"),
         QStringLiteral("Image width and height in pixels (default: the band's full disk)."),
         QStringLiteral("N")},
        {QStringLiteral("longitude"),
         QStringLiteral(
             "Longitude of the projection origin (default: -75.2, or -137.2 / -137.0 for 17 / 18)."),
         QStringLiteral("DEG")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the synthetic scene (default 1)."),
         QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("missing-rows"),
         QStringLiteral("Lose this percentage of the Earth's disk as whole rows, as a broken downlink does: "
                        "fill values, flagged and counted as missing (default 0)."),
         QStringLiteral("PERCENT"), QStringLiteral("0")},
        {QStringLiteral("uncorrectable-errors"),
         QStringLiteral("Percentage of the data the file says was lost to uncorrectable errors (default 0)."),
         QStringLiteral("PERCENT"), QStringLiteral("0")},
        {QStringLiteral("grb"),
         QStringLiteral("Made from the GRB broadcast: percent_uncorrectable_GRB_errors instead of _L0_.")},
        {QStringLiteral("out"),
         QStringLiteral("Existing folder to write into (default: the current folder)."),
         QStringLiteral("FOLDER"), QStringLiteral(".")},
    });

    std::optional<Request> request;
    try {
        if (!parser.parse(QCoreApplication::arguments())) BadArgument(parser.errorText());
        if (parser.isSet(help)) parser.showHelp(0);
        if (parser.isSet(version)) parser.showVersion();
        request = ParseRequest(parser);
    } catch (const UsageError& error) {
        PrintError(QString::fromStdString(error.what()));
        std::fprintf(stderr, "Try 'abisample --help'.\n");
        return kExitBadArguments;
    }

    for (const int band : request->bands) {
        AbiSampleOptions options = request->options;
        options.band = band;
        try {
            std::printf("%s\n",
                        qPrintable(QDir::toNativeSeparators(WriteAbiSample(options, request->folder))));
            std::fflush(stdout);
        } catch (const std::exception& error) {
            PrintError(QString::fromStdString(error.what()));
            return kExitWriteFailed;
        }
    }
    return 0;
}
