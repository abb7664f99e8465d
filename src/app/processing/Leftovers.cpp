// Removing the temporary files and read copies of a killed run.
#include "Leftovers.h"

#include "OutputNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

namespace {

// Whether the file lies in the folder itself or in one of its dated sub-folders.
bool WhereTheProgramWrites(const QDir& root, const QFileInfo& file) {
    const QString relative = root.relativeFilePath(file.absolutePath());
    return relative == u'.' || DatedFolderStart(relative).has_value();
}

} // namespace

LeftoverOutcome RemoveLeftovers(const QStringList& folders, const QString& sourceFolder,
                                const QDateTime& before) {
    LeftoverOutcome outcome;
    const QString source = QFileInfo(sourceFolder).canonicalFilePath();
    QSet<QString> swept;
    for (const QString& folder : folders) {
        const QString root = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
        if (root.isEmpty() || root == source || swept.contains(root)) continue;
        swept.insert(root);
        const QDir rootDir(root);
        QDirIterator entries(root, {QStringLiteral(".*.partial"), QStringLiteral(".*.reading")},
                             QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QFileInfo file(entries.next());
            if (!IsLeftoverName(file.fileName()) || !WhereTheProgramWrites(rootDir, file) ||
                file.metadataChangeTime() >= before)
                continue;
            QFile leftover(file.filePath());
            if (leftover.remove()) {
                ++outcome.filesRemoved;
                outcome.bytesRemoved += file.size();
            } else {
                outcome.failures.push_back(
                    {FailureCode::CannotDelete, "cannot remove " + file.filePath() + ": " + leftover.errorString()});
            }
        }
    }
    return outcome;
}

std::optional<LogLine> LeftoverLine(const LeftoverOutcome& outcome) {
    if (outcome.filesRemoved == 0 && outcome.failures.empty()) return std::nullopt;
    const QString files =
        outcome.filesRemoved == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(outcome.filesRemoved);
    QString line = "Removed " + files + " left by an earlier run (" +
                   QLocale::system().formattedDataSize(outcome.bytesRemoved, 1, QLocale::DataSizeSIFormat) + ")";
    if (outcome.failures.empty()) return LogLine{line};
    return LogLine{line + "; " + outcome.failures.front().message, LogSeverity::Warning};
}
