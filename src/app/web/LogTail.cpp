// Reading the end of the log file.
#include "LogTail.h"

#include <QFile>
#include <algorithm>

namespace {

// Enough for the page's lines even when each names a long path.
constexpr qint64 kTailBytes = 256 * 1024;

} // namespace

QStringList LastLinesOf(const QString& fileName, int count) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const qint64 start = std::max<qint64>(0, file.size() - kTailBytes);
    if (!file.seek(start)) return {};
    const QByteArray end = file.readAll();
    if (file.error() != QFileDevice::NoError) return {};
    QList<QByteArray> lines = end.split('\n');
    if (start > 0 && !lines.isEmpty()) lines.removeFirst(); // begun inside a line
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    QStringList tail;
    for (qsizetype index = std::max<qsizetype>(0, lines.size() - count); index < lines.size(); ++index) {
        QByteArray line = lines[index];
        if (line.endsWith('\r')) line.chop(1);
        tail << QString::fromUtf8(line);
    }
    return tail;
}
