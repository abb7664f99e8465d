// POSIX part of the log file: whether the file being appended to is still the one under the log's name.
#include "LogFile.h"

#include <sys/stat.h>

bool LogFile::AppendingToTheNamedFile() const {
    struct stat open {};
    struct stat named {};
    return ::fstat(appending_.handle(), &open) == 0 &&
           ::stat(QFile::encodeName(fileName_).constData(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}
