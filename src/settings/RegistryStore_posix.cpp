// The store as QSettings INI files, with the type marks described in RegistryStore.h.
#include "RegistryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QThread>
#include <QVariant>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kVendor = QStringLiteral("Nimbrel");
const QString kDwordMark = QStringLiteral("dword:");
const QString kTextMark = QStringLiteral("sz:");
constexpr qsizetype kDwordDigits = 8;
constexpr int kLockWaitMs = 3000;

std::unique_ptr<QSettings> OpenKey(const QString& keyName) {
    auto key = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kVendor, keyName);
    // A key holds only its own values: no vendor-wide or system-wide file fills in missing ones.
    key->setFallbacksEnabled(false);
    return key;
}

TStoredValue DecodeText(const QString& stored) {
    TStoredValue value;
    if (stored.startsWith(kDwordMark)) {
        const QStringView digits = QStringView(stored).mid(kDwordMark.size());
        bool ok = digits.size() == kDwordDigits;
        const quint32 number = ok ? digits.toUInt(&ok, 16) : 0;
        value.Type = ok ? TStoredType::Dword : TStoredType::Other;
        value.Dword = static_cast<qint32>(number);
        return value;
    }
    value.Type = TStoredType::Text;
    value.Text = stored.startsWith(kTextMark) ? stored.mid(kTextMark.size()) : stored;
    return value;
}

TStoredValue Decode(const QVariant& stored) {
    if (!stored.isValid()) return {};
    if (stored.typeId() == QMetaType::QString) return DecodeText(stored.toString());
    if (stored.typeId() == QMetaType::QStringList) return DecodeText(stored.toStringList().join(u','));
    return {TStoredType::Other, 0, {}};
}

qint64 ModifiedMs(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toMSecsSinceEpoch() : -1;
}

void SetModifiedMs(const QString& path, qint64 ms) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(ms / 1000), ms % 1000 * 1000000}};
    utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

// An exclusive lock on the vendor folder among the writers of all keys, waited for at most a few seconds;
// the system drops it when its holder ends, so a crashed writer leaves nothing behind.
class TFolderLock {
public:
    explicit TFolderLock(const QString& folder)
        : Fd(open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        for (int waited = 0; Fd >= 0 && waited < kLockWaitMs; ++waited) {
            if (flock(Fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) return;
            QThread::msleep(1);
        }
    }
    ~TFolderLock() {
        if (Fd >= 0) close(Fd);
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

private:
    int Fd;
};

// QSettings re-reads a key file only when its size or its modification time in milliseconds has changed,
// so another process's write of the same size within the same millisecond would go unseen and be
// overwritten. Each write therefore runs under a lock of its own and leaves the file a modification time
// later than the one it found. The lock is best effort: where it cannot be had (a file system without
// locks, a writer that hangs) the value is still written.
void Store(const QString& keyName, const QString& valueName, const QString& stored) {
    const QString path = OpenKey(keyName)->fileName();
    const QString folder = QFileInfo(path).path();
    QDir().mkpath(folder);
    const TFolderLock writing(folder);

    const qint64 before = ModifiedMs(path);
    {
        const std::unique_ptr<QSettings> key = OpenKey(keyName);
        key->setValue(valueName, stored);
        key->sync();
    }
    if (ModifiedMs(path) <= before) SetModifiedMs(path, before + 1);
}

} // namespace

TStoredValue ReadStoredValue(const QString& keyName, const QString& valueName) {
    return Decode(OpenKey(keyName)->value(valueName));
}

void WriteStoredDword(const QString& keyName, const QString& valueName, qint32 value) {
    const QString digits =
        QString::number(static_cast<quint32>(value), 16).rightJustified(kDwordDigits, u'0');
    Store(keyName, valueName, kDwordMark + digits);
}

void WriteStoredText(const QString& keyName, const QString& valueName, const QString& value) {
    const bool needsMark = value.startsWith(kDwordMark) || value.startsWith(kTextMark);
    Store(keyName, valueName, needsMark ? kTextMark + value : value);
}
