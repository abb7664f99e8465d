// Writing the metrics.
#include "StationMetrics.h"

namespace {

class MetricsText {
public:
    // A family: its help line and type, then its samples.
    void Family(const QString& name, const char* type, const QString& help) {
        name_ = "stratolux_" + name;
        text_ += "# HELP " + name_ + " " + help + "\n# TYPE " + name_ + " " + type + "\n";
    }
    void Sample(double value, const QString& labels = {}) {
        text_ += name_ + (labels.isEmpty() ? QString() : "{" + labels + "}") + " " +
                 QString::number(value, 'f', value == static_cast<qint64>(value) ? 0 : 3) + "\n";
    }
    void Time(const QDateTime& time, const QString& labels = {}) {
        if (time.isValid()) Sample(time.toMSecsSinceEpoch() / 1000.0, labels);
    }
    QByteArray Bytes() const { return text_.toUtf8(); }

private:
    QString name_;
    QString text_;
};

QString Label(const QString& name, QString value) {
    value.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return name + "=\"" + value + "\"";
}

} // namespace

QByteArray StationMetrics(const StationFacts& facts) {
    const StationSnapshot& station = *facts.snapshot;
    MetricsText text;
    text.Family("info", "gauge", "The program's instance and version; always 1.");
    text.Sample(1, Label("instance", station.instance) + "," + Label("version", station.version));
    text.Family("start_time_seconds", "gauge", "When the program started, in seconds since 1970 (UTC).");
    text.Time(station.started);
    text.Family("health", "gauge",
                "The station's health: 0 ok, 1 warning, 2 failing; status.json lists the problems.");
    text.Sample(static_cast<int>(facts.health.health));
    text.Family("running", "gauge", "1 while processing is switched on.");
    text.Sample(station.running ? 1 : 0);
    text.Family("scanning", "gauge", "1 while a scan of the source folder is under way.");
    text.Sample(station.scanning ? 1 : 0);
    text.Family("last_scan_end_time_seconds", "gauge", "When the last scan ended, in seconds since 1970.");
    text.Time(station.lastScanEnd);
    text.Family("next_scan_time_seconds", "gauge", "When the next scan is due, in seconds since 1970.");
    text.Time(station.nextScan);
    text.Family("files_processed_total", "counter", "Received files turned into images since the start.");
    text.Sample(station.counts.processed);
    text.Family("files_failed_total", "counter", "Reports of received files that failed, since the start.");
    text.Sample(station.counts.failed);
    text.Family("files_skipped_total", "counter",
                "Received files of unticked bands deleted since the start.");
    text.Sample(station.counts.skipped);
    text.Family("images_incomplete_total", "counter",
                "Images made since the start that are less complete than IncompleteBelowPercent.");
    text.Sample(station.counts.incomplete);
    text.Family("staying_files", "gauge", "Received files that stay in the source folder after failing.");
    text.Sample(station.staying.size());

    text.Family("band_image_time_seconds", "gauge", "The nominal time of each band's newest image.");
    for (int band = 0; band < kBandCount; ++band)
        if (facts.images[band]) text.Time(facts.images[band]->time, Label("band", BandCode.at(band)));
    text.Family("band_image_bytes", "gauge", "The size of each band's newest image file.");
    for (int band = 0; band < kBandCount; ++band)
        if (facts.images[band]) text.Sample(facts.images[band]->bytes, Label("band", BandCode.at(band)));

    text.Family("image_completeness_percent", "gauge",
                "How whole each band's newest image is: its file's valid pixels in percent of its valid and "
                "missing ones.");
    for (int band = 0; band < kBandCount; ++band)
        if (const std::optional<double> percent = station.bands[band].completeness.Percent();
            percent && facts.images[band])
            text.Sample(*percent, Label("band", BandCode.at(band)));

    text.Family("folder_free_bytes", "gauge", "Space left in the source, netCDF and image folders.");
    for (const FolderReport& folder : facts.folders)
        if (folder.space) text.Sample(folder.space->freeBytes, Label("folder", folder.role));
    text.Family("folder_size_bytes", "gauge", "Size of the file system of each folder.");
    for (const FolderReport& folder : facts.folders)
        if (folder.space) text.Sample(folder.space->totalBytes, Label("folder", folder.role));
    return text.Bytes();
}
