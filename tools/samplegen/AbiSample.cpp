// Option checks, the product's file name, and the row-block writing of a whole sample file.
#include "AbiSample.h"

#include "AbiLostRows.h"
#include "AbiProductFile.h"
#include "AbiScene.h"
#include "AbiSceneBlocks.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace {

constexpr int kLargestSize = 32767; // the x and y coordinates are stored as shorts

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

void Validate(const AbiSampleOptions& options) {
    if (options.satellite < 16 || options.satellite > 19)
        Fail(QStringLiteral("satellite must be 16..19, not %1").arg(options.satellite));
    if (!IsAbiBand(options.band)) Fail(QStringLiteral("band must be 1..16, not %1").arg(options.band));
    if (options.scanMode != 3 && options.scanMode != 4 && options.scanMode != 6)
        Fail(QStringLiteral("scan mode must be 3, 4 or 6, not %1").arg(options.scanMode));
    const int year = options.start.toUTC().date().year();
    if (!options.start.isValid() || year < 1000 || year > 9998)
        Fail(QStringLiteral("the scan start must be a valid time with a four-digit year"));
    if (options.size < 0 || options.size > kLargestSize)
        Fail(QStringLiteral("size must be 1..%1 pixels (0 for the full-disk grid), not %2")
                 .arg(kLargestSize)
                 .arg(options.size));
    if (!std::isfinite(options.longitude) || options.longitude < -180.0f || options.longitude > 180.0f)
        Fail(QStringLiteral("longitude must be -180..180 degrees, not %1").arg(options.longitude));
    for (const auto& [name, percent] :
         {std::pair{"missing rows", options.missingRowsPercent},
          std::pair{"uncorrectable errors", options.uncorrectableErrorsPercent}})
        if (!(percent >= 0.0 && percent <= 100.0))
            Fail(QStringLiteral("%1 must be 0..100 percent, not %2").arg(QLatin1String(name)).arg(percent));
    const auto pixels =
        static_cast<size_t>(AbiSampleSize(options)) * static_cast<size_t>(AbiSampleSize(options));
    if (!options.counts.empty() && options.counts.size() != pixels)
        Fail(QStringLiteral("%1 counts given for a %2 x %2 image, which needs %3")
                 .arg(options.counts.size())
                 .arg(AbiSampleSize(options))
                 .arg(pixels));
}

QString FileNameFor(const AbiSampleOptions& options, const AbiScanTimes& times) {
    return QStringLiteral("OR_ABI-L1b-RadF-M%1C%2_G%3_s%4_e%5_c%6.nc")
        .arg(options.scanMode)
        .arg(options.band, 2, 10, QLatin1Char('0'))
        .arg(options.satellite)
        .arg(FileNameTime(times.start), FileNameTime(times.end), FileNameTime(times.created));
}

// A hidden name beside the final one, which no scan mask matches; the file there is removed again unless
// it was moved to its final name.
class PartialFile {
public:
    PartialFile(const QDir& folder, const QString& finalName)
        : path_(folder.absoluteFilePath(
              QStringLiteral(".%1.%2.part")
                  .arg(finalName)
                  .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')))) {}
    ~PartialFile() {
        if (!moved_) QFile::remove(path_);
    }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    const QString& Path() const { return path_; }

    // Replaces any file of that name at once.
    void MoveTo(const QString& finalPath) {
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(path_).toStdString(),
                                QFile::encodeName(finalPath).toStdString(), error);
        if (error)
            Fail(QStringLiteral("cannot rename the finished file to %1: %2")
                     .arg(finalPath, QString::fromStdString(error.message())));
        moved_ = true;
    }

private:
    QString path_;
    bool moved_ = false;
};

// Each row's pixels on the Earth's disk: those of the scene's disk, or the given counts that are not fill.
std::vector<size_t> EarthPixelsPerRow(const AbiSampleOptions& options, const AbiScene* scene, int size) {
    std::vector<size_t> earth(static_cast<size_t>(size));
    const uint16_t fill = BandCalibration(options.band).fillValue;
    for (size_t row = 0; row < earth.size(); ++row) {
        if (scene) {
            earth[row] = static_cast<size_t>(scene->EarthPixels(static_cast<int>(row)));
            continue;
        }
        const auto first = options.counts.begin() + static_cast<std::ptrdiff_t>(row * earth.size());
        earth[row] = static_cast<size_t>(
            std::count_if(first, first + size, [fill](uint16_t count) { return count != fill; }));
    }
    return earth;
}

void WriteImage(const AbiSampleOptions& options, int size, AbiProductFile& file) {
    AbiPixelTally tally(BandCalibration(options.band));
    const auto columns = static_cast<size_t>(size);
    std::vector<int8_t> flags(kAbiChunkEdge * columns);
    std::optional<AbiScene> scene;
    std::optional<AbiSceneBlocks> blocks;
    if (options.counts.empty()) {
        scene.emplace(options, size);
        blocks.emplace(*scene, columns, kAbiChunkEdge);
    }
    const AbiRowRange lost = options.missingRowsPercent > 0
                                 ? LostRows(EarthPixelsPerRow(options, scene ? &*scene : nullptr, size),
                                            options.missingRowsPercent)
                                 : AbiRowRange{};
    std::vector<uint16_t> damaged; // a block with lost rows
    for (size_t firstRow = 0; firstRow < columns; firstRow += kAbiChunkEdge) {
        const size_t rows = std::min(kAbiChunkEdge, columns - firstRow);
        const uint16_t* counts = blocks ? blocks->Next() : options.counts.data() + firstRow * columns;
        if (lost.Overlaps(firstRow, rows)) {
            damaged.assign(counts, counts + rows * columns);
            counts = damaged.data();
        }
        for (size_t row = 0; row < rows; ++row) {
            const size_t offset = row * columns;
            if (lost.Contains(firstRow + row))
                tally.Lose(damaged.data() + offset, columns, flags.data() + offset);
            else
                tally.Classify(counts + offset, columns, flags.data() + offset);
        }
        file.WriteRows(firstRow, rows, counts, flags.data());
    }
    file.Finish(tally);
}

} // namespace

int AbiSampleSize(const AbiSampleOptions& options) {
    return options.size > 0 ? options.size : FullDiskSize(options.band);
}

QString AbiSampleFileName(const AbiSampleOptions& options) {
    Validate(options);
    return FileNameFor(options, ScanTimesFor(options.start, options.scanMode));
}

QString WriteAbiSample(const AbiSampleOptions& options, const QString& folder) {
    Validate(options);
    const QDir directory(folder);
    if (folder.isEmpty() || !directory.exists()) Fail(QStringLiteral("folder %1 does not exist").arg(folder));

    const AbiScanTimes times = ScanTimesFor(options.start, options.scanMode);
    const QString fileName = FileNameFor(options, times);
    const QString path = directory.absoluteFilePath(fileName);
    const int size = AbiSampleSize(options);

    PartialFile partial(directory, fileName);
    {
        AbiProductFile file(partial.Path(), {options.satellite, options.band, options.scanMode,
                                             options.longitude, options.seed, size, fileName, times,
                                             options.uncorrectableErrorsPercent / 100.0, options.grb});
        WriteImage(options, size, file);
    }
    partial.MoveTo(path);
    return path;
}
