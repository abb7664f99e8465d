// Writing the station's web page.
#include "StationPage.h"

#include "ScanController.h"
#include "ScanReports.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocale>
#include <QMap>

namespace {

const char kStyle[] = R"(
body{margin:0;background:#efefef;color:#000;font:14px/1.35 system-ui,"Segoe UI",sans-serif}
header{background:#fff;border-bottom:1px solid #a0a0a0;padding:8px 12px}
h1{font-size:15px;font-weight:600;margin:0 0 6px}
.state{display:flex;flex-wrap:wrap;gap:4px 20px;align-items:center}
.lamp{display:inline-block;width:13px;height:13px;border-radius:50%;border:1px solid #404040;
 vertical-align:-2px;margin-right:6px}
section{margin:10px 12px;background:#fff;border:1px solid #a0a0a0}
h2{font-size:13px;font-weight:600;margin:0;padding:4px 10px;background:#e4e4e4;border-bottom:1px solid #a0a0a0}
.bands{display:grid;grid-template-columns:repeat(auto-fill,minmax(150px,1fr));gap:12px 8px;padding:10px}
figure{margin:0;text-align:center}
figure img,.blank{width:120px;height:120px;display:block;margin:0 auto 3px;background:#808080}
figcaption{font-size:12px}
.when{color:#404040;font-size:11px}
.whole{font-size:11px;color:#404040}
.whole.incomplete{display:inline-block;padding:0 5px;background:#ffe9a8;color:#7a4b00;font-weight:600;
 border:1px solid #d9a400}
.whole.unknown{font-style:italic}
pre.log{margin:0;padding:6px 10px;max-height:26em;overflow:auto;white-space:pre-wrap;overflow-wrap:anywhere;
 font:12px/1.35 ui-monospace,"DejaVu Sans Mono",monospace}
.failed{background:#ffd8d8;color:#c00000}
table{border-collapse:collapse;width:100%;font-size:13px}
th,td{text-align:left;padding:3px 10px;border-top:1px solid #dcdcdc;vertical-align:top;overflow-wrap:anywhere}
th{font-weight:600}
p.none{margin:0;padding:6px 10px;color:#404040}
footer{margin:4px 12px 14px;color:#404040;font-size:12px}
)";

// The log shows its newest lines, as the window's does.
const char kScript[] = "for(const log of document.querySelectorAll('pre.log'))log.scrollTop=log.scrollHeight";

// The style sheet with the lamp's two colours, the window's own.
const QByteArray& Style() {
    static const QByteArray style =
        kStyle + QString(".lamp.idle{background:%1}\n.lamp.scanning{background:%2}\n")
                     .arg(ScanController::IdleColour().name(), ScanController::ScanningColour().name())
                     .toUtf8();
    return style;
}

// The source a content security policy allows for an inline element of exactly this text.
QByteArray HashSource(const QByteArray& text) {
    return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64() + "'";
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString DataSize(qint64 bytes) {
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QString BandPath(const QString& kind, int band, const QString& extension) {
    return "/" + kind + "/" + BandCode.at(band) + extension;
}

QString Header(const StationSnapshot& station) {
    QString state = station.State();
    state[0] = state[0].toUpper();
    const QString lastScan = station.scanning ? "under way since " + PageTime(station.lastScanStart)
                             : station.lastScanEnd.isValid()
                                 ? PageTime(station.lastScanStart) + " to " + PageTime(station.lastScanEnd)
                                 : QStringLiteral("none yet");
    const QString nextScan = station.nextScan.isValid() ? PageTime(station.nextScan)
                             : station.running          ? QStringLiteral("after this one")
                                                        : QStringLiteral("none (processing is off)");
    const FileCounts& counts = station.counts;
    return QString("<header><h1>%1</h1><div class=state><span><span class=\"lamp %2\"></span>"
                   "<b>%3</b></span><span>Last scan: %4</span><span>Next scan: %5</span>"
                   "<span>Since %6: %7 processed (%8 incomplete), %9 failed, %10 skipped</span></div>"
                   "</header>\n")
        .arg(Escaped(station.caption), station.scanning ? "scanning" : "idle", state, lastScan, nextScan,
             PageTime(station.started), QString::number(counts.processed), QString::number(counts.incomplete),
             QString::number(counts.failed), QString::number(counts.skipped));
}

// "80.0 % complete", marked when below IncompleteBelowPercent; nothing for an image whose file did not say.
QString Completeness(const BandImage& image) {
    const AbiCompleteness& stated = image.completeness;
    if (const QString contradiction = stated.Contradiction(); !contradiction.isEmpty())
        return QString("<div class=\"whole unknown\" title=\"pixel counts contradict each other: %1\">"
                       "completeness not known</div>")
            .arg(Escaped(contradiction));
    const std::optional<double> percent = stated.Percent();
    if (!percent) return {};
    return QString("<div class=\"whole%1\" title=\"%2\">%3 complete</div>")
        .arg(image.incomplete ? " incomplete" : "", Escaped(MissingText(stated).value_or(QString())),
             PercentText(*percent));
}

QString BandFigure(const StationFacts& facts, int band) {
    const BandImage& image = facts.snapshot->bands[band];
    QString picture = image.thumbnail.isNull()
                          ? QString("<div class=blank title=\"%1\"></div>").arg(Escaped(image.hint))
                          : QString("<img src=\"%1\" width=120 height=120 alt=\"%2\" title=\"%3\">")
                                .arg(ThumbnailPath(band), BandCode.at(band), Escaped(image.hint));
    if (!image.view.isEmpty()) picture = QString("<a href=\"%1\">%2</a>").arg(ViewPath(band), picture);
    QString when;
    if (const std::optional<ImageFile>& file = facts.images[band])
        when = QString("<div class=when>%1 &middot; <a href=\"%2\">full size, %3</a></div>")
                   .arg(PageTime(file->time), ImagePath(band), DataSize(file->bytes));
    if (const std::optional<ImageFile>& geoTiff = facts.geoTiffs[band])
        when += QString("<div class=when>GeoTIFF %1, %2</div>")
                    .arg(Escaped(geoTiff->name), DataSize(geoTiff->bytes));
    return QString("<figure>%1<figcaption>%2</figcaption>%3%4</figure>\n")
        .arg(picture, Escaped(BandLabelCaption(band)), Completeness(image), when);
}

QString Log(const StationSnapshot& station) {
    QString lines;
    for (const LogEntry& entry : station.log)
        lines += entry.failure ? "<span class=failed>" + Escaped(entry.line) + "</span>\n"
                               : Escaped(entry.line) + "\n";
    return "<section id=log><h2>Log</h2><pre class=log>" + lines + "</pre></section>\n";
}

QString StayingFiles(const StationSnapshot& station) {
    QString rows;
    for (auto file = station.staying.cbegin(); file != station.staying.cend(); ++file)
        rows +=
            QString("<tr><td>%1</td><td>%2</td><td>%3</td></tr>\n")
                .arg(Escaped(QFileInfo(file.key()).fileName()), Escaped(file->reason), PageTime(file->since));
    const QString content =
        rows.isEmpty() ? QStringLiteral("<p class=none>None.</p>")
                       : "<table><tr><th>File</th><th>Reason</th><th>Since</th></tr>\n" + rows + "</table>";
    return "<section id=staying><h2>Files that stay in the source folder</h2>" + content + "</section>\n";
}

QString FreeSpace(const std::vector<FolderReport>& folders) {
    static const QMap<QString, QString> names{
        {"source", "Source"}, {"netcdf", "NetCDF"}, {"images", "Images"}};
    QString rows;
    for (const FolderReport& folder : folders) {
        const QString space =
            folder.space ? QString("%1 free of %2")
                               .arg(DataSize(folder.space->freeBytes), DataSize(folder.space->totalBytes))
                         : Escaped(folder.space.failure().message);
        rows += QString("<tr><td>%1</td><td>%2</td><td>%3</td></tr>\n")
                    .arg(names.value(folder.role), Escaped(folder.path), space);
    }
    return "<section id=space><h2>Free space</h2><table>" + rows + "</table></section>\n";
}

} // namespace

QString ThumbnailPath(int band) {
    return BandPath("thumbnail", band, ".jpg");
}

QString ViewPath(int band) {
    return BandPath("view", band, ".jpg");
}

QString ImagePath(int band) {
    return BandPath("image", band, QString());
}

QByteArray PageSecurityPolicy() {
    static const QByteArray policy = "default-src 'self'; script-src " + HashSource(kScript) +
                                     "; style-src " + HashSource(Style()) +
                                     "; frame-ancestors 'none'; base-uri 'none'; form-action 'none'";
    return policy;
}

QByteArray StationPage(const StationFacts& facts) {
    const StationSnapshot& station = *facts.snapshot;
    QString page =
        QString("<!DOCTYPE html>\n<html lang=en><head><meta charset=utf-8>\n"
                "<meta name=viewport content=\"width=device-width, initial-scale=1\">\n"
                "<meta http-equiv=refresh content=%1>\n<title>%2</title><style>%3</style></head>\n"
                "<body>\n")
            .arg(QString::number(kPageRefreshSeconds), Escaped(station.caption), QString::fromUtf8(Style()));
    page += Header(station);
    page += "<section id=images><h2>Images</h2><div class=bands>\n";
    for (int band = 0; band < kBandCount; ++band) page += BandFigure(facts, band);
    page += "</div></section>\n";
    page += Log(station);
    page += StayingFiles(station);
    page += FreeSpace(facts.folders);
    page += QString("<footer>Page made %1 &middot; reloads every %2 s &middot; <a href=\"/status.json\">"
                    "status.json</a> &middot; <a href=\"/metrics\">metrics</a></footer>\n")
                .arg(PageTime(facts.now), QString::number(kPageRefreshSeconds));
    page += QString("<script>%1</script>\n</body></html>\n").arg(kScript);
    return page.toUtf8();
}
