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

TEST_F(RegistryStore, AFileWithoutProblemsIsLeftAloneAtStart) {
    WriteFile("[General]\nSatellite=1\n");
    EXPECT_EQ(CheckStoredKey(kKey), QStringList());
    EXPECT_EQ(CheckStoredKey("missing"), QStringList());
    EXPECT_TRUE(SetAside().isEmpty());
}

// What the look at start says about each kind of damaged file, and that the file is kept beside.
TEST_F(RegistryStore, ADamagedFileIsKeptBesideAndSaidOnce) {
    const QByteArray huge = "[General]\nSatellite=1\nSourcePath=" + QByteArray(50 * 1024 * 1024, 'A') + "\n";
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray("\x7f"
                    "ELF\x02\x01\x01\0\0\0",
                    10),
         "line 1 is not UTF-8 text"},
        {"[General]\nSatellite=1\nstray words\n", "line 3 is neither a setting, a [section] nor a comment"},
        {huge, "SourcePath is longer than 65536 bytes"},
        {QByteArray(2 * 1024 * 1024, '#'), "it is larger than 1048576 bytes"},
    };
    for (const auto& [content, reason] : cases) {
        WriteFile(content);
        const QStringList lines = CheckStoredKey(kKey);
        ASSERT_EQ(lines.size(), 1) << reason.toStdString();
        const QRegularExpression said(QRegularExpression::anchoredPattern(
            QRegularExpression::escape("Settings file " + File + " cannot be read (" + reason +
                                       "): it is kept beside it as " + kKey + ".conf.unreadable-") +
            R"(\d{8}T\d{6}Z(-\d+)?)" + QRegularExpression::escape(" and the defaults are used")));
        EXPECT_TRUE(said.match(lines[0]).hasMatch()) << lines[0].toStdString();
        EXPECT_FALSE(QFileInfo::exists(File));
        const QStringList aside = SetAside();
        ASSERT_EQ(aside.size(), 1);
        EXPECT_TRUE(lines[0].contains(aside[0])) << aside[0].toStdString();
        EXPECT_EQ(Content(Folder + '/' + aside[0]), content);
        EXPECT_EQ(ReadStoredValue(kKey, "Satellite").Type, TStoredType::Missing);
        ASSERT_TRUE(QFile::remove(Folder + '/' + aside[0]));
    }
}

TEST_F(RegistryStore, ASecondDamagedFileInTheSameSecondTakesAnotherName) {
    WriteFile("first\n");
    ASSERT_EQ(CheckStoredKey(kKey).size(), 1);
    WriteFile("second\n");
    ASSERT_EQ(CheckStoredKey(kKey).size(), 1);
    const QStringList aside = SetAside();
    ASSERT_EQ(aside.size(), 2);
    QByteArrayList kept = {Content(Folder + '/' + aside[0]), Content(Folder + '/' + aside[1])};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (QByteArrayList{"first\n", "second\n"}));
}

TEST_F(RegistryStore, AValueTooLongIsRefusedByNameAndItsLineKept) {
    const QByteArray content =
        "[General]\nSourcePath=" + QByteArray(70000, 'A') + "\nSatellite=dword:00000001\n";
    WriteFile(content);
    EXPECT_EQ(CheckStoredKey(kKey),
              QStringList{"Setting SourcePath is longer than 65536 bytes: the default is used"});
    EXPECT_EQ(ReadStoredValue(kKey, "SourcePath").Type, TStoredType::Other);
    EXPECT_EQ(ReadStoredValue(kKey, "Satellite").Dword, 1);
    EXPECT_EQ(Content(File), content);
}

TEST_F(RegistryStore, WhereChangesCannotBeKeptItIsSaidOnceAtStart) {
    const QString notKept = ": changes to the settings cannot be kept";
    // The settings folder is a file.
    ASSERT_TRUE(QDir(Folder).removeRecursively());
    WriteFile("not a folder\n", Folder);
    EXPECT_EQ(CheckStoredKey(kKey), QStringList{"Settings folder " + Folder + " is not a folder" + notKept});
    EXPECT_FALSE(WriteStoredDword(kKey, "Satellite", 1));
    EXPECT_EQ(Content(Folder), "not a folder\n");
    ASSERT_TRUE(QFile::remove(Folder));

    // The file is read-only.
    ASSERT_TRUE(QDir().mkpath(Folder));
    WriteFile("[General]\n");
    ASSERT_TRUE(QFile::setPermissions(File, QFileDevice::ReadOwner));
    EXPECT_EQ(CheckStoredKey(kKey), QStringList{"Settings file " + File + " is read-only" + notKept});
    ASSERT_TRUE(QFile::remove(File));

    // A folder stands where the file should be.
    ASSERT_TRUE(QDir().mkpath(File));
    EXPECT_EQ(CheckStoredKey(kKey), QStringList{"Settings file " + File +
                                                " cannot be read (not a regular file): the defaults are used "
                                                "and changes to the settings cannot be kept"});
}

} // namespace
