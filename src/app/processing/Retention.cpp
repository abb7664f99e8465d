// The retention sweep: one walk of each folder, its dated sub-folders and nothing else, without following
// symbolic links.
#include "Retention.h"

#include "OutputNames.h"
#include "SourceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <filesystem>
#include <limits>
#include <optional>

namespace {

namespace fs = std::filesystem;

constexpr int kDayLevel = 3; // the root is level 0, then year, month and day
constexpr std::int64_t kNanosecondsPerDay = 86400LL * 1000000000;

fs::path PathOf(const QString& path) {
    return fs::path(QFile::encodeName(path).toStdString());
}

QString TextOf(const fs::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// The change time, in nanoseconds since 1970, that files of a kind must have been written before to go;
// none when they are kept for ever, or when the limit reaches back before 1970, where no file can be.
using Limit = std::optional<std::int64_t>;

Limit LimitOf(const QDateTime& now, int days) {
    if (days <= 0) return std::nullopt;
    const std::int64_t limit = now.toMSecsSinceEpoch() * 1000000 - days * kNanosecondsPerDay;
    if (limit < 0) return std::nullopt;
    return limit;
}

Limit Later(Limit a, Limit b) {
    if (!a || !b) return a ? a : b;
    return std::max(*a, *b);
}

// One folder to sweep and what goes there.
struct Root {
    QString folder; // canonical
    Limit imagesBefore;
    Limit archivedBefore;
};

// What sweeping a folder left: whether it is empty now, and whether the sweep removed anything from it.
struct Swept {
    bool empty = true;
    bool removedAny = false;
};

class Sweep {
public:
    Sweep(const RetentionRequest& request, RetentionOutcome& outcome)
        : outcome_(outcome), satellite_(request.satellite), save19As16_(request.save19As16) {
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

    // Sweeps the files of the root and of the day folders, and the dated sub-folders.
    Swept SweepFolder(const fs::path& folder, const QString& dated, int level) {
        std::error_code error;
        fs::directory_iterator entries(folder, error);
        Swept swept;
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            const fs::directory_entry& entry = *entries;
            std::error_code typeError;
            const fs::file_status status = entry.symlink_status(typeError);
            bool gone = false;
            if (fs::is_regular_file(status) && (level == 0 || level == kDayLevel))
                gone = SweepFile(entry);
            else if (fs::is_directory(status) && level < kDayLevel)
                gone = SweepDatedFolder(entry.path(), dated, level + 1);
            swept.empty = swept.empty && gone;
            swept.removedAny = swept.removedAny || gone;
        }
        if (error && error != std::errc::no_such_file_or_directory)
            Fail("cannot list " + TextOf(folder), error);
        swept.empty = swept.empty && !error;
        return swept;
    }

    // True when the folder is gone: it was a dated sub-folder that the sweep has just emptied.
    bool SweepDatedFolder(const fs::path& folder, const QString& datedParent, int level) {
        const QString name = TextOf(folder.filename());
        const QString dated = datedParent.isEmpty() ? name : datedParent + u'/' + name;
        if (!DatedFolderStart(dated) || IsSource(TextOf(folder))) return false;
        const Swept swept = SweepFolder(folder, dated, level);
        if (!swept.empty || !swept.removedAny) return false;
        std::error_code error;
        // Refused when something arrived meanwhile: the folder then simply stays.
        if (fs::remove(folder, error) || !error) return true;
        if (error != std::errc::directory_not_empty) Fail("cannot remove " + TextOf(folder), error);
        return false;
    }

    // True when the file is gone. Its time is looked at before its name, as most files are new.
    bool SweepFile(const fs::directory_entry& entry) {
        if (!latestLimit_) return false;
        const Result<FileIdentity> file = IdentifyFile(entry.path());
        if (!file || file->changedNs >= *latestLimit_) return false;
        const OutputKind kind = OwnOutputKindOf(TextOf(entry.path().filename()), satellite_, save19As16_);
        // A kind kept for ever, and files of other names, have a limit no file is written before.
        constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min();
        const std::int64_t before = kind == OutputKind::Image          ? root_.imagesBefore.value_or(kNever)
                                    : kind == OutputKind::ArchivedFile ? root_.archivedBefore.value_or(kNever)
                                                                       : kNever;
        const QString path = TextOf(entry.path());
        if (file->changedNs >= before || protected_.contains(path)) return false;
        std::error_code error;
        if (fs::remove(entry.path(), error)) {
            ++outcome_.filesRemoved;
            outcome_.bytesRemoved += file->size;
            return true;
        }
        if (error) Fail("cannot remove " + path, error);
        return !error;
    }

    RetentionOutcome& outcome_;
    const SatelliteCode satellite_;
    const bool save19As16_;
    QString source_;
    QSet<QString> protected_;
    Root root_;
    // The later of the root's two limits: nothing written after it goes.
    Limit latestLimit_;
};

// The folders to sweep, each once: images may lie in both (under long names, beside the archived files). A
// folder setting that is itself a link is taken where it leads, as the program writes there.
std::vector<Root> RootsOf(const RetentionRequest& request) {
    const Limit images = LimitOf(request.now, request.keep.images);
    const Limit archived = LimitOf(request.now, request.keep.netCdf);
    std::vector<Root> roots;
    const auto add = [&](const QString& folder, Limit archivedBefore) {
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
