// The store's files on disk: a write changes one line, files stay readable through QSettings both ways, and
// the look at start sets a damaged file aside and says what cannot be kept, one line each.
#include "RegistryStore.h"
#include "QtPrinters.h"
#include "TemporaryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kKey = QStringLiteral("station");

class RegistryStore : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Folder)); }

    void WriteFile(const QByteArray& content, const QString& path = {}) const {
        QFile file(path.isEmpty() ? File : path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(content), content.size());
    }
    static QByteArray Content(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static ino_t InodeOf(const QString& path) {
        struct stat status {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
        return status.st_ino;
    }
    // The files beside the key's file that keep a damaged one.
    QStringList SetAside() const {
        return QDir(Folder).entryList({kKey + ".conf.unreadable-*"}, QDir::Files | QDir::Hidden, QDir::Name);
    }

    TTemporaryStore Store;
    const QString File = Store.KeyFile(kKey);
    const QString Folder = QFileInfo(File).path();
};

TEST_F(RegistryStore, AWriteChangesOnlyThatValuesLine) {
    const QByteArray operators =
        "; kept by hand\n[General]\n# in\nSourcePath=/in/\nMine=1\n\n[Other]\nSatellite=7\n";
    WriteFile(operators);
    ASSERT_TRUE(WriteStoredDword(kKey, "Satellite", 2));
    ASSERT_TRUE(WriteStoredText(kKey, "SourcePath", "/data/in put/"));
    EXPECT_EQ(Content(File), "; kept by hand\n[General]\n# in\nSourcePath=/data/in put/\nMine=1\n"
                             "Satellite=dword:00000002\n\n[Other]\nSatellite=7\n");
    // The same value again leaves the file as it is: a write would have put a new file in place.
    const ino_t written = InodeOf(File);
    ASSERT_TRUE(WriteStoredDword(kKey, "Satellite", 2));
    EXPECT_EQ(InodeOf(File), written);
}

TEST_F(RegistryStore, FilesReadAlikeHereAndThroughQSettings) {
    const QStringList texts = {"/data/with space/",
                               QString::fromUtf8("/données/日本/"),
                               "a,b;c=d",
                               " x ",
                               "@home",
                               "dword:00000002",
                               "tab\there",
                               "B02,B03"};
    // Written here, read by QSettings: each text as the store marks it.
    for (qsizetype i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(WriteStoredText(kKey, "Text" + QString::number(i), texts[i]));
    ASSERT_TRUE(WriteStoredDword(kKey, "Number", -2));
    QSettings peer(File, QSettings::IniFormat);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString marked = texts[i].startsWith("dword:") ? "sz:" + texts[i] : texts[i];
        EXPECT_EQ(peer.value("Text" + QString::number(i)).toString(), marked) << texts[i].toStdString();
    }
    EXPECT_EQ(peer.value("Number").toString(), "dword:fffffffe");

    // Written by QSettings, as earlier versions wrote it, read here.
    QFile::remove(File);
    {
        QSettings earlier(File, QSettings::IniFormat);
        for (qsizetype i = 0; i < texts.size(); ++i)
            earlier.setValue("Earlier" + QString::number(i), texts[i]);
    }
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString& text = texts[i];
        const TStoredValue read = ReadStoredValue(kKey, "Earlier" + QString::number(i));
        if (text.startsWith("dword:")) {
            EXPECT_EQ(read.Type, TStoredType::Dword);
            EXPECT_EQ(read.Dword, 2);
        } else {
            EXPECT_EQ(read.Type, TStoredType::Text) << text.toStdString();
            EXPECT_EQ(read.Text, text);
        }
    }
}

TEST_F(RegistryStore, ALinkedFileStaysLinked) {
    const QString target = Store.ConfigHome() + "/kept/station.conf";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
    WriteFile("[General]\nA=1\n", target);
    ASSERT_TRUE(QFile::link(target, File));
    ASSERT_TRUE(WriteStoredText(kKey, "B", "2"));
    EXPECT_TRUE(QFileInfo(File).isSymLink());
    EXPECT_EQ(Content(target), "[General]\nA=1\nB=2\n");
}

TEST_F(RegistryStore, AFileThatCannotBeParsedIsNeitherReadNorWritten) {
    const QByteArray garbage("\x89PNG\r\n\x1a\n\0\0SourcePath=/x/\n", 24);
    WriteFile(garbage);
    EXPECT_EQ(ReadStoredValue(kKey, "SourcePath").Type, TStoredType::Missing);
    const Status written = WriteStoredText(kKey, "SourcePath", "/y/");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.failure().code, FailureCode::SettingsDamaged);
    EXPECT_EQ(Content(File), garbage);
}

TEST_F(RegistryStore, AReadOnlyFileIsNeverReplaced) {
    WriteFile("[General]\nSatellite=1\n");
    ASSERT_TRUE(QFile::setPermissions(File, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    const Status written = WriteStoredDword(kKey, "Satellite", 2);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.failure().message, "Settings file " + File + " is read-only");
    EXPECT_EQ(Content(File), "[General]\nSatellite=1\n");
    EXPECT_FALSE(QFileInfo(File).permissions() & QFileDevice::WriteOwner);
}

} // namespace
