// POSIX part of the source folder's survey: the names as bytes, whatever their encoding.
#include "SourceSurvey.h"

#include <QFile>
#include <dirent.h>
#include <memory>

QList<QByteArray> NetCdfNamesIn(const QString& folder) {
    QList<QByteArray> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(::opendir(QFile::encodeName(folder).constData()),
                                                      ::closedir);
    if (!entries) return names;
    while (const dirent* entry = ::readdir(entries.get())) {
        const QByteArray name(entry->d_name);
        if (name.toLower().endsWith(".nc")) names << name;
    }
    return names;
}
