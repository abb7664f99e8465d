// Stamped log entries, the line bound, the daily save and the log file.
#include "ProcessingLog.h"

#include "DurableFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextBlock>
#include <cmath>
#include <exception>
#include <utility>

namespace {

const QString kStampWithTime = QStringLiteral("yyyy-mm-dd hh:nn:ss.zzz  ");
const QString kStampWithoutTime = QStringLiteral("yyyy-mm-dd hh:nn:ss      ");

// A view holding more lines than this loses its oldest lines before the next entry.
constexpr int kMostLinesKept = 9999;
constexpr int kLinesRemovedAtOnce = 499;
constexpr int kFewestLinesSavedDaily = 17;
// The daily save falls due 01:23 UTC on the day after the last save.
constexpr TDateTime kDailySaveDelay = 1.0 + 83.0 / (24 * 60);

// An entry is one line: line breaks inside its text become blanks.
QString OneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = u' ';
    }
    return text;
}

} // namespace

QString LogFileNameFor(const QString& executablePath, const QString& fallbackFolder) {
    const QFileInfo executable(executablePath);
    const QString name = executable.completeBaseName() + "-process.log";
    const QFileInfo folder(executable.absolutePath());
    const QString chosenFolder =
        folder.isDir() && folder.isWritable() ? folder.absoluteFilePath() : fallbackFolder;
    return QDir(chosenFolder).filePath(name);
}

QString DefaultLogFileName() {
    return LogFileNameFor(QCoreApplication::applicationFilePath(),
                          QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
}

ProcessingLog::ProcessingLog(QPlainTextEdit& view, QString fileName, Clock clock)
    : View(view), LogFileName(std::move(fileName)), Now(std::move(clock)),
      LastSaveDay(static_cast<qint32>(std::floor(Now()))) {}

void ProcessingLog::WriteLog(const QString& text, TDateTime time) {
    const TDateTime now = Now();
    if (LineCount() > kMostLinesKept) RemoveOldestLines(kLinesRemovedAtOnce);
    const QString stamp =
        time != 0 ? FormatDateTime(kStampWithTime, time) : FormatDateTime(kStampWithoutTime, now);
    View.appendPlainText(stamp + OneLine(text));
    ScrollToEnd();
    SaveDaily(now);
}

void ProcessingLog::ScrollToEnd() {
    QTextCursor cursor = View.textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    View.setTextCursor(cursor);
    View.ensureCursorVisible();
}

bool ProcessingLog::Load() {
    QFile file(LogFileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;

    QStringDecoder decode(QStringConverter::encodingForData(bytes).value_or(QStringConverter::Utf8));
    QString text = decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n')) text.chop(1);
    View.setPlainText(text);
    return true;
}

bool ProcessingLog::Save() {
    QByteArray content;
    if (LineCount() > 0) {
        for (QTextBlock line = View.document()->begin(); line.isValid(); line = line.next()) {
            content += line.text().toUtf8();
            content += "\r\n";
        }
    }
    if (!QDir().mkpath(QFileInfo(LogFileName).absolutePath())) return false;
    try {
        return PublishFile(LogFileName, [&content](const QString& temporaryPath) {
            QFile file(temporaryPath);
            return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush();
        });
    } catch (const std::exception&) {
        return false;
    }
}

int ProcessingLog::LineCount() const {
    return View.document()->isEmpty() ? 0 : View.document()->blockCount();
}

void ProcessingLog::RemoveOldestLines(int count) {
    QTextCursor cursor(View.document());
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
    cursor.removeSelectedText();
}

void ProcessingLog::SaveDaily(TDateTime now) {
    if (now <= LastSaveDay + kDailySaveDelay || LineCount() < kFewestLinesSavedDaily) return;
    if (Save()) LastSaveDay = static_cast<qint32>(std::floor(now));
}
