// The retention sweep: one walk of each folder, its dated sub-folders and nothing else, without following
// symbolic links.
#include "Retention.h"

#include "OutputNames.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <chrono>
#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;

constexpr int kDayLevel = 3; // the root is level 0, then year, month and day

fs::path PathOf(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

QString TextOf(const fs::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

fs::file_time_type FileTime(qint64 unixMs) {
    return std::chrono::file_clock::from_sys(
        std::chrono::sys_time<std::chrono::milliseconds>(std::chrono::milliseconds(unixMs)));
}

// The time that files of a kind must be older than to go; none when they are kept for ever, or when the
// limit reaches back before 1970, where no file of the program's can be.
std::optional<fs::file_time_type> Limit(const QDateTime& now, int days) {
    if (days <= 0) return std::nullopt;
    const qint64 limitMs = now.toMSecsSinceEpoch() - qint64(days) * 86400000;
    if (limitMs < 0) return std::nullopt;
    return FileTime(limitMs);
}

std::optional<fs::file_time_type> Later(std::optional<fs::file_time_type> a,
                                        std::optional<fs::file_time_type> b) {
    if (!a || !b) return a ? a : b;
    return std::max(*a, *b);
}

// The moment a dated sub-folder's period (a year, a month or a day, by its level) ends.
fs::file_time_type PeriodEnd(const QDate& start, int level) {
    const QDate end = level == 1 ? start.addYears(1) : level == 2 ? start.addMonths(1) : start.addDays(1);
    return FileTime(QDateTime(end, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch());
}

// One folder to sweep and what goes there.
struct Root {
    QString folder; // canonical
    std::optional<fs::file_time_type> imagesBefore;
    std::optional<fs::file_time_type> archivedBefore;
};

class Sweep {
public:
    Sweep(const RetentionRequest& request, RetentionOutcome& outcome) : outcome_(outcome) {
        source_ = QFileInfo(request.sourceFolder).canonicalFilePath();
        for (const QString& path : request.protectedPaths)
            if (const QString canonical = QFileInfo(path).canonicalFilePath(); !canonical.isEmpty())
                protected_.insert(canonical);
    }

    void Run(const Root& root) {
        root_ = root;
        latestLimit_ = Later(root.imagesBefore, root.archivedBefore);
        if (!IsSource(root.folder)) SweepFolder(PathOf(root.folder), QString(), 0);
    }

private:
    bool IsSource(const QString& folder) {
        if (folder != source_) return false;
        outcome_.sourceFoldersSkipped << folder;
        return true;
    }

    void Fail(const QString& what, const std::error_code& error) {
        outcome_.failures.push_back(SystemFailure(FailureCode::CannotDelete, what, error.value()));
    }

    // Sweeps the files of the root and of the day folders, and the dated sub-folders; true when the folder
    // holds nothing afterwards.
    bool SweepFolder(const fs::path& folder, const QString& dated, int level) {
        std::error_code error;
        fs::directory_iterator entries(folder, error);
        bool empty = true;
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            const fs::directory_entry& entry = *entries;
            std::error_code typeError;
            const fs::file_status status = entry.symlink_status(typeError);
            bool gone = false;
            if (fs::is_regular_file(status) && (level == 0 || level == kDayLevel))
                gone = SweepFile(entry);
            else if (fs::is_directory(status) && level < kDayLevel)
                gone = SweepDatedFolder(entry.path(), dated, level + 1);
            empty = empty && gone;
        }
        if (error && error != std::errc::no_such_file_or_directory)
            Fail("cannot list " + TextOf(folder), error);
        return empty && !error;
    }

    bool SweepDatedFolder(const fs::path& folder, const QString& datedParent, int level) {
        const QString name = TextOf(folder.filename());
        const QString dated = datedParent.isEmpty() ? name : datedParent + u'/' + name;
        const std::optional<QDate> start = DatedFolderStart(dated);
        if (!start || IsSource(TextOf(folder)) || !SweepFolder(folder, dated, level)) return false;
        if (!latestLimit_ || PeriodEnd(*start, level) > *latestLimit_) return false;
        std::error_code error;
        // Refused when something arrived meanwhile: the folder then simply stays.
        if (fs::remove(folder, error) || !error) return true;
        if (error != std::errc::directory_not_empty) Fail("cannot remove " + TextOf(folder), error);
        return false;
    }

    // True when the file is gone. Its time is looked at before its name, as most files are new.
    bool SweepFile(const fs::directory_entry& entry) {
        std::error_code error;
        const fs::file_time_type modified = entry.last_write_time(error);
        if (error || !latestLimit_ || modified >= *latestLimit_) return false;
        const OutputKind kind = OutputKindOf(TextOf(entry.path().filename()));
        const std::optional<fs::file_time_type> before = kind == OutputKind::Image ? root_.imagesBefore
                                                         : kind == OutputKind::ArchivedFile
                                                             ? root_.archivedBefore
                                                             : std::nullopt;
        if (!before || modified >= *before) return false;
        const QString path = TextOf(entry.path());
        if (protected_.contains(path)) return false;
        std::error_code sizeError;
        const std::uintmax_t size = entry.file_size(sizeError);
        if (fs::remove(entry.path(), error)) {
            ++outcome_.filesRemoved;
            outcome_.bytesRemoved += sizeError ? 0 : static_cast<qint64>(size);
            return true;
        }
        if (error) Fail("cannot remove " + path, error);
        return !error;
    }

    RetentionOutcome& outcome_;
    QString source_;
    QSet<QString> protected_;
    Root root_;
    // The later of the root's two limits: nothing newer goes, neither file nor dated folder.
    std::optional<fs::file_time_type> latestLimit_;
};

// The folders to sweep, each once: images may lie in both (under long names, beside the archived files). A
// folder setting that is itself a link is taken where it leads, as the program writes there.
std::vector<Root> RootsOf(const RetentionRequest& request) {
    const auto images = Limit(request.now, request.keep.images);
    const auto archived = Limit(request.now, request.keep.netCdf);
    std::vector<Root> roots;
    const auto add = [&](const QString& folder, std::optional<fs::file_time_type> archivedBefore) {
        const QString canonical = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
        if (canonical.isEmpty() || (!images && !archivedBefore)) return;
        for (Root& root : roots)
            if (root.folder == canonical) {
                root.archivedBefore = Later(root.archivedBefore, archivedBefore);
                return;
            }
        roots.push_back({canonical, images, archivedBefore});
    };
    add(request.netCdfFolder, archived);
    add(request.imageFolder, std::nullopt);
    return roots;
}

} // namespace

RetentionOutcome ApplyRetention(const RetentionRequest& request) {
    RetentionOutcome outcome;
    Sweep sweep(request, outcome);
    for (const Root& root : RootsOf(request)) sweep.Run(root);
    return outcome;
}
