// Listing by mask, file size, in-use test, clock, keep-alive and file dates.
#include "Utils.h"

#include "DosDateTime.h"
#include "ExclusiveFile.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>

namespace {

bool SameLetter(QChar a, QChar b) {
    return a == b || a.toCaseFolded() == b.toCaseFolded();
}

} // namespace

bool MatchesMask(QStringView name, QStringView mask) {
    qsizetype n = 0, m = 0;
    qsizetype starMask = -1, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == u'?' || SameLetter(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (starMask >= 0) {
            // Let the last star swallow one more character and try again from there.
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return m == mask.size();
}

namespace {

void DefaultQueueLook() {
    // Qt offers no peek that leaves the queue alone, and running the event loop here would re-enter
    // arbitrary handlers; waking the dispatcher only makes it answer the window system at its next turn.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

std::function<void()>& QueueLook() {
    static std::function<void()> look = DefaultQueueLook;
    return look;
}

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

std::atomic<std::uint32_t> lastLookTick{0};

} // namespace

QString WithTrailingSeparator(const QString& folder) {
    return folder.isEmpty() || folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
}

void ListFiles(const QString& mask, QStringList& list) {
    const qsizetype cut = std::max(mask.lastIndexOf(u'/'), mask.lastIndexOf(QDir::separator())) + 1;
    if (cut == 0) return;
    const QString folder = mask.left(cut);
    const QStringView pattern = QStringView(mask).mid(cut);
    QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QString name = entries.fileName();
        if (MatchesMask(name, pattern)) list.append(folder + name);
    }
}

Result<qint64> FileSizeOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return Failure{FailureCode::FileVanished, QStringLiteral("file vanished")};
    if (!info.isFile()) return Failure{FailureCode::NotRegularFile, QStringLiteral("not a regular file")};
    return info.size();
}

bool FileInUse(const QString& path, std::chrono::milliseconds settling) {
    return RecentlyModified(path, settling) || HeldOpenForWriting(path);
}

TDateTime UtcNow() {
    return DateTimeFromUnixMs(QDateTime::currentMSecsSinceEpoch());
}

std::uint32_t TickCount() {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
}

void KeepAlive() {
    if (TickCount() == lastLookTick.load()) return;
    if (OnGuiThread()) QueueLook()();
    lastLookTick.store(TickCount());
}

void SetQueueLookHook(std::function<void()> look) {
    QueueLook() = look ? std::move(look) : DefaultQueueLook;
}

void SetFileDate(const QString& path, TDateTime time) {
    if (time == 0) return;
    const TExclusiveFile file(path);
    if (file.IsOpen()) SetFileTimeFromDos(file.GetHandle(), PackDosDateTime(time));
}
