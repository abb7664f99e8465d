// Removing the temporary files and read copies of a killed run.
#include "Leftovers.h"

#include "OutputNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

namespace {

// The folder and its dated sub-folders (yyyy/mm/dd/), the only places the program writes; no link is
// followed and no other sub-folder entered, however deep the tree below.
QStringList WhereTheProgramWrites(const QString& root) {
    QStringList folders{root};
    QStringList level{QString()};
    for (int depth = 0; depth < 3; ++depth) {
        QStringList deeper;
        for (const QString& dated : level)
            for (const QString& name :
                 QDir(root + u'/' + dated).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
                const QString relative = dated.isEmpty() ? name : dated + u'/' + name;
                if (DatedFolderStart(relative)) deeper << relative;
            }
        for (const QString& dated : deeper) folders << root + u'/' + dated;
        level = deeper;
    }
    return folders;
}

// The files there whose names may be those of leftovers.
QFileInfoList HiddenFilesWhereTheProgramWrites(const QString& root) {
    QFileInfoList files;
    for (const QString& place : WhereTheProgramWrites(root))
        files << QDir(place).entryInfoList({QStringLiteral(".*.partial"), QStringLiteral(".*.reading")},
                                           QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    return files;
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
        for (const QFileInfo& file : HiddenFilesWhereTheProgramWrites(root)) {
            if (!IsLeftoverName(file.fileName()) || file.metadataChangeTime() >= before) continue;
            QFile leftover(file.filePath());
            if (leftover.remove()) {
                ++outcome.filesRemoved;
                outcome.bytesRemoved += file.size();
            } else {
                outcome.failures.push_back({FailureCode::CannotDelete, "cannot remove " + file.filePath() +
                                                                           ": " + leftover.errorString()});
            }
        }
    }
    return outcome;
}

std::optional<LogLine> LeftoverLine(const LeftoverOutcome& outcome) {
    if (outcome.filesRemoved == 0 && outcome.failures.empty()) return std::nullopt;
    const QString files = outcome.filesRemoved == 1 ? QStringLiteral("1 file")
                                                    : QStringLiteral("%1 files").arg(outcome.filesRemoved);
    QString line = "Removed " + files + " left by an earlier run (" +
                   QLocale::system().formattedDataSize(outcome.bytesRemoved, 1, QLocale::DataSizeSIFormat) +
                   ")";
    if (outcome.failures.empty()) return LogLine{line};
    return LogLine{line + "; " + outcome.failures.front().message, LogSeverity::Warning};
}
