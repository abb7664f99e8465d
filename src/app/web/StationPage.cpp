// Writing the station's web page.
#include "StationPage.h"

#include "AbiFileName.h"
#include "ScanReports.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

const char kStyle[] = R"(
body{margin:0;background:#efefef;color:#000;font:14px/1.35 system-ui,"Segoe UI",sans-serif}
header{background:#fff;border-bottom:1px solid #a0a0a0;padding:8px 12px}
h1{font-size:15px;font-weight:600;margin:0 0 6px}
.verdict{margin:0 0 8px;padding:6px 10px;border:1px solid;border-left-width:6px}
.verdict b{font-size:16px}
.verdict ul{margin:4px 0 0;padding-left:20px}
.verdict.ok{background:#dcf2dc;border-color:#2e7d32;color:#1b5e20}
.verdict.warning{background:#ffe9a8;border-color:#d9a400;color:#5c3900}
.verdict.failing{background:#ffd8d8;border-color:#c00000;color:#900000}
.state{display:flex;flex-wrap:wrap;gap:4px 20px;align-items:center}
.lamp{display:inline-block;width:13px;height:13px;border-radius:50%;border:1px solid #404040;
 vertical-align:-2px;margin-right:6px}
section{margin:10px 12px;background:#fff;border:1px solid #a0a0a0}
h2{font-size:13px;font-weight:600;margin:0;padding:4px 10px;background:#e4e4e4;border-bottom:1px solid #a0a0a0}
.bands{display:grid;grid-template-columns:repeat(auto-fill,minmax(150px,1fr));gap:12px 8px;padding:10px}
figure{margin:0;text-align:center}
figure img,.blank{width:120px;height:120px;display:block;margin:0 auto 3px;background:#808080}
.blank.missing{background:#f4f4f4;border:2px dashed #c00000;box-sizing:border-box}
figcaption{font-size:12px}
.age{font-size:13px;font-weight:600}
.when{color:#404040;font-size:11px}
.why{font-size:12px;color:#c00000}
.whole{font-size:11px;color:#404040}
.whole.incomplete{display:inline-block;padding:0 5px;background:#ffe9a8;color:#7a4b00;font-weight:600;
 border:1px solid #d9a400}
.whole.unknown{font-style:italic}
details{border-top:1px solid #dcdcdc}
summary{padding:6px 10px;cursor:pointer;color:#404040}
.bands.small{grid-template-columns:repeat(auto-fill,minmax(96px,1fr))}
.small figure img,.small .blank{width:56px;height:56px}
pre.log{margin:0;padding:6px 10px;max-height:26em;overflow:auto;
 font:12px/1.35 ui-monospace,"DejaVu Sans Mono",monospace}
.failed{background:#ffd8d8;color:#c00000}
.scroll{overflow-x:auto}
.word{white-space:nowrap}
table{border-collapse:collapse;width:100%;font-size:13px}
th,td{text-align:left;padding:3px 10px;border-top:1px solid #dcdcdc;vertical-align:top}
th{font-weight:600}
@media (max-width:640px){.stack tr,.stack td{display:block}.stack th{display:none}
 .stack td{border:0;padding:1px 10px}.stack tr{border-top:1px solid #dcdcdc;padding:3px 0}}
td.path{font-size:12px}
p.none{margin:0;padding:6px 10px;color:#404040}
footer{margin:4px 12px 14px;color:#404040;font-size:12px}
)";

// The log shows its newest lines, as the window's does.
const char kScript[] = "for(const log of document.querySelectorAll('pre.log'))log.scrollTop=log.scrollHeight";

// The style sheet with the lamp's two colours, grey and yellow as the window's.
const QByteArray& Style() {
    static const QByteArray style = kStyle + QByteArray(".lamp.idle{background:#808080}\n"
                                                        ".lamp.scanning{background:#ffff00}\n");
    return style;
}

// The source a content security policy allows for an inline element of exactly this text.
QByteArray HashSource(const QByteArray& text) {
    return "'sha256-" + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toBase64() + "'";
}

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

// Escaped text for an element's content, with each word that a browser could break inside, at a hyphen or a
// slash (a date, a file name, a path), kept on one line: a narrow screen breaks lines only between words.
QString Words(const QString& text) {
    QStringList words = text.split(u' ');
    for (QString& word : words) {
        const bool breakable = word.contains(u'-') || word.contains(u'/');
        word = breakable ? "<span class=word>" + Escaped(word) + "</span>" : Escaped(word);
    }
    return words.join(u' ');
}

QString BandPath(const QString& kind, int band, const QString& extension) {
    return "/" + kind + "/" + BandCode.at(band) + extension;
}

QString Verdict(const HealthVerdict& verdict) {
    static const char* const words[] = {"OK", "Warning", "Failing"};
    const QString name = HealthName(verdict.health);
    QString problems;
    for (const QString& problem : verdict.problems) problems += "<li>" + Words(problem) + "</li>";
    return QString("<div class=\"verdict %1\" id=health><b>%2</b>%3</div>")
        .arg(name, words[static_cast<int>(verdict.health)],
             problems.isEmpty() ? QStringLiteral(" &middot; nothing needs attention")
                                : "<ul>" + problems + "</ul>");
}

QString Header(const StationFacts& facts) {
    const StationSnapshot& station = *facts.snapshot;
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
    return QString("<header><h1>%1</h1>%2<div class=state><span><span class=\"lamp %3\"></span>"
                   "<b>%4</b></span><span>Last scan: %5</span><span>Next scan: %6</span>"
                   "<span>Since %7: %8 processed (%9 incomplete), %10 failed, %11 skipped</span></div>"
                   "</header>\n")
        .arg(Words(station.caption), Verdict(facts.health), station.scanning ? "scanning" : "idle", state,
             Words(lastScan), Words(nextScan), Words(PageTime(station.started)),
             QString::number(counts.processed), QString::number(counts.incomplete),
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

// Why a ticked band has no image: the reason its newest received file stays, or that none has come.
QString NoImageReason(const StationSnapshot& station, int band) {
    QString reason = QStringLiteral("no file yet");
    for (auto file = station.staying.cbegin(); file != station.staying.cend(); ++file)
        if (BandIndexFromAbiName(file.key()) == band) reason = "its file stays: " + file->reason;
    return reason;
}

QString Picture(const StationFacts& facts, int band) {
    const BandImage& image = facts.snapshot->bands[band];
    const bool ticked = facts.ticked[band];
    if (image.thumbnail.isNull())
        return QString("<div class=\"blank%1\" title=\"%2\"></div>")
            .arg(ticked && !facts.images[band] ? " missing" : "", Escaped(image.hint));
    const QString picture =
        QString("<img src=\"%1\" width=120 height=120 alt=\"%2\" title=\"%3\"%4>")
            .arg(ThumbnailPath(band), BandCode.at(band), Escaped(image.hint), ticked ? "" : " loading=lazy");
    return image.view.isEmpty() ? picture : QString("<a href=\"%1\">%2</a>").arg(ViewPath(band), picture);
}

// How old the image is (from its scan start), its nominal time and scan start, and its files.
QString ImageTimes(const StationFacts& facts, int band) {
    const std::optional<ImageFile>& file = facts.images[band];
    if (!file)
        return facts.ticked[band] ? "<div class=why>" + Words(NoImageReason(*facts.snapshot, band)) + "</div>"
                                  : QString();
    const QDateTime& scanStart = facts.scans[band].start;
    QString times = QString("<div class=age>%1</div><div class=when>%2")
                        .arg(AgeText(ScannedAt(facts, band), facts.now), Words(PageTime(file->time)));
    if (scanStart.isValid())
        times += "<br>scan start " + Words(scanStart.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    times += QString("<br><a href=\"%1\">full size, %2</a></div>")
                 .arg(ImagePath(band), Words(DataSize(file->bytes)));
    if (const std::optional<ImageFile>& geoTiff = facts.geoTiffs[band])
        times += QString("<div class=when>GeoTIFF %1, %2</div>")
                     .arg(Words(geoTiff->name), Words(DataSize(geoTiff->bytes)));
    return times;
}

QString BandFigure(const StationFacts& facts, int band) {
    return QString("<figure>%1<figcaption>%2</figcaption>%3%4</figure>\n")
        .arg(Picture(facts, band), Escaped(BandLabelCaption(band)), Completeness(facts.snapshot->bands[band]),
             ImageTimes(facts, band));
}

// The ticked bands' images first; the others folded away, smaller.
QString Images(const StationFacts& facts) {
    QString ticked, others;
    int otherCount = 0;
    for (int band = 0; band < kBandCount; ++band) {
        if (facts.ticked[band]) {
            ticked += BandFigure(facts, band);
        } else {
            others += BandFigure(facts, band);
            ++otherCount;
        }
    }
    QString section = "<section id=images><h2>Images</h2>";
    section += ticked.isEmpty() ? QStringLiteral("<p class=none>No band is ticked.</p>")
                                : "<div class=bands>\n" + ticked + "</div>";
    if (otherCount > 0)
        section += QString("<details><summary>Bands not ticked (%1)</summary><div class=\"bands small\">\n%2"
                           "</div></details>")
                       .arg(QString::number(otherCount), others);
    return section + "</section>\n";
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
        rows += QString("<tr><td>%1</td><td>%2</td><td>%3</td></tr>\n")
                    .arg(Words(QFileInfo(file.key()).fileName()), Words(file->reason),
                         Words(PageTime(file->since)));
    const QString content = rows.isEmpty()
                                ? QStringLiteral("<p class=none>None.</p>")
                                : "<div class=scroll><table class=stack><tr><th>File</th><th>Reason</th>"
                                  "<th>Since</th></tr>\n" +
                                      rows + "</table></div>";
    return "<section id=staying><h2>Files that stay in the source folder</h2>" + content + "</section>\n";
}

QString FreeSpace(const std::vector<FolderReport>& folders) {
    QString rows;
    for (const FolderReport& folder : folders) {
        const QString space =
            folder.space ? QString("%1 free of %2")
                               .arg(DataSize(folder.space->freeBytes), DataSize(folder.space->totalBytes))
                         : folder.space.failure().message;
        rows += QString("<tr><td>%1</td><td>%2</td><td class=path>%3</td></tr>\n")
                    .arg(FolderName(folder.role), Words(space), Words(folder.path));
    }
    return "<section id=space><h2>Free space</h2><div class=scroll><table>" + rows +
           "</table></div></section>\n";
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
    page += Header(facts);
    page += StayingFiles(station);
    page += FreeSpace(facts.folders);
    page += Images(facts);
    page += Log(station);
    page += QString("<footer>Page made %1 &middot; reloads every %2 s &middot; <a href=\"/status.json\">"
                    "status.json</a> &middot; <a href=\"/metrics\">metrics</a></footer>\n")
                .arg(Words(PageTime(facts.now)), QString::number(kPageRefreshSeconds));
    page += QString("<script>%1</script>\n</body></html>\n").arg(kScript);
    return page.toUtf8();
}
