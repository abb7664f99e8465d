// Settings objects and the shared program register against a real store in a temporary folder.
#include "RegistryVariables.h"
#include "QtPrinters.h"
#include "RegistryStore.h"
#include "TemporaryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

// Creates a setting, sets its value and lets its destruction write it.
template <class TSetting, class TValue> void StoreByDestruction(const QString& name, const TValue& value) {
    TSetting setting(name, {});
    setting.Value = value;
}

class RegistryVariables : public testing::Test {
protected:
    void WriteKeyFile(const QString& keyName, const QByteArray& content) {
        QDir().mkpath(QFileInfo(Store.KeyFile(keyName)).path());
        QFile file(Store.KeyFile(keyName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray KeyFileContent(const QString& keyName) {
        QFile file(Store.KeyFile(keyName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QProcess* StartWriter(const QStringList& arguments, const QString& program = REGISTRY_WRITER) {
        auto* process = new QProcess(&Owner);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", Store.ConfigHome());
        process->setProcessEnvironment(environment);
        process->start(program, arguments);
        return process;
    }

    TTemporaryStore Store;
    QObject Owner;
};

TEST_F(RegistryVariables, ReadingCreatesNothingAndGivesDefaults) {
    {
        const TRegistryString path("SourcePath", "/default/");
        const TRegistryInteger satellite("Satellite", 3);
        const TRegistryBoolean png("SaveAsPNG", true);
        EXPECT_EQ(path.Value, "/default/");
        EXPECT_EQ(satellite.Value, 3);
        EXPECT_TRUE(png.Value);
        EXPECT_TRUE(ReadAppPath("Quillmap").isEmpty());
        EXPECT_TRUE(ReadProgramSetting("Feedkeeper", "ImagesPath").isEmpty());
        EXPECT_FALSE(QFileInfo::exists(QFileInfo(Store.KeyFile(ProgramName())).path()));
    }
    // Destroying them wrote them: the program key now exists, in the temporary store.
    EXPECT_TRUE(QFileInfo::exists(Store.KeyFile(ProgramName())));
}

TEST_F(RegistryVariables, WriteAndDestructionStoreTheValue) {
    TRegistryInteger satellite("Satellite", 0);
    satellite.Value = 2;
    satellite.Write();
    EXPECT_EQ(TRegistryInteger("Satellite", 0).Value, 2);

    StoreByDestruction<TRegistryString>("SourcePath", "/data/in/");
    EXPECT_EQ(TRegistryString("SourcePath", "x").Value, "/data/in/");

    StoreByDestruction<TRegistryInteger>("FormLeft", -32000);
    EXPECT_EQ(TRegistryInteger("FormLeft", 0).Value, -32000);
}

TEST_F(RegistryVariables, StoredEmptyTextStaysEmpty) {
    StoreByDestruction<TRegistryString>("BandsSelected", QString());
    EXPECT_EQ(TRegistryString("BandsSelected", "B02,B03,B05,B13").Value, "");
}

TEST_F(RegistryVariables, ValueOfAnotherTypeReadsAsDefault) {
    StoreByDestruction<TRegistryString>("Satellite", "GOES-18");
    EXPECT_EQ(TRegistryInteger("Satellite", 0).Value, 0);
    StoreByDestruction<TRegistryString>("Satellite", "1.5");
    EXPECT_EQ(TRegistryInteger("Satellite", 3).Value, 3);
    StoreByDestruction<TRegistryString>("Satellite", "0x2");
    EXPECT_TRUE(TRegistryBoolean("Satellite", true).Value);
    StoreByDestruction<TRegistryString>("Satellite", "4294967296");
    EXPECT_EQ(TRegistryInteger("Satellite", 1).Value, 1);

    StoreByDestruction<TRegistryInteger>("SavePath", 7);
    EXPECT_EQ(TRegistryString("SavePath", "/default/").Value, "/default/");
}

TEST_F(RegistryVariables, TextThatLooksLikeAStoredNumberStaysText) {
    StoreByDestruction<TRegistryString>("Satellite", "dword:00000002");
    EXPECT_EQ(TRegistryInteger("Satellite", 0).Value, 0);
    StoreByDestruction<TRegistryString>("Satellite", "dword:00000002");
    EXPECT_EQ(TRegistryString("Satellite", "").Value, "dword:00000002");
    StoreByDestruction<TRegistryString>("Satellite", "sz:x");
    EXPECT_EQ(TRegistryString("Satellite", "").Value, "sz:x");
}

TEST_F(RegistryVariables, AnyNonZeroDwordIsTrue) {
    StoreByDestruction<TRegistryInteger>("SaveAsPNG", 5);
    EXPECT_TRUE(TRegistryBoolean("SaveAsPNG", false).Value);
    StoreByDestruction<TRegistryInteger>("SaveAsPNG", 0);
    EXPECT_FALSE(TRegistryBoolean("SaveAsPNG", true).Value);
}

TEST_F(RegistryVariables, StoredFileIsReadableAndHandEditsAreUnderstood) {
    StoreByDestruction<TRegistryInteger>("Satellite", -2);
    EXPECT_TRUE(KeyFileContent(ProgramName()).contains("Satellite=dword:fffffffe"));

    WriteKeyFile(ProgramName(), "[General]\nSatellite=dword:12\nSavePath=dword:12\nBandsSelected=B02,B03\n");
    EXPECT_EQ(TRegistryInteger("Satellite", 1).Value, 1);
    EXPECT_EQ(ReadProgramSetting(ProgramName(), "SavePath"), "");
    EXPECT_EQ(ReadProgramSetting(ProgramName(), "BandsSelected"), "B02,B03");
    // Only the program's own key counts, not a vendor-wide file.
    WriteKeyFile("../Nimbrel", "[General]\nFormTop=dword:00000009\n");
    EXPECT_EQ(TRegistryInteger("FormTop", 4).Value, 4);
}

TEST_F(RegistryVariables, PlainDecimalNumbersWrittenByHandAreReadAndKeptUntilChanged) {
    WriteKeyFile(ProgramName(), "[General]\nSaveAsPNG=1\nSaveAsJPEG=0\nSatellite=2\nFormLeft=-40\n");
    {
        const TRegistryBoolean png("SaveAsPNG", false);
        const TRegistryBoolean jpeg("SaveAsJPEG", true);
        TRegistryInteger satellite("Satellite", 0);
        const TRegistryInteger left("FormLeft", 0);
        EXPECT_TRUE(png.Value);
        EXPECT_FALSE(jpeg.Value);
        EXPECT_EQ(satellite.Value, 2);
        EXPECT_EQ(left.Value, -40);
        satellite.Value = 3;
    }
    const QByteArray written = KeyFileContent(ProgramName());
    EXPECT_TRUE(written.contains("SaveAsPNG=1\n")) << written.constData();
    EXPECT_TRUE(written.contains("FormLeft=-40\n")) << written.constData();
    EXPECT_TRUE(written.contains("Satellite=dword:00000003")) << written.constData();
}

TEST_F(RegistryVariables, AValueLeftAloneKeepsWhatAnotherWriterStoredMeanwhile) {
    WriteKeyFile(ProgramName(), "[General]\nSavePath=/old/\nSourcePath=/in/\n");
    {
        const TRegistryString save("SavePath", {});
        TRegistryString source("SourcePath", {});
        const TRegistryBoolean png("SaveAsPNG", false);
        WriteKeyFile(ProgramName(), "[General]\nSavePath=/edited/\nSourcePath=/edited/in/\n");
        source.Value = "/changed/in/";
    }
    EXPECT_EQ(ReadProgramSetting(ProgramName(), "SavePath"), "/edited/");
    EXPECT_EQ(ReadProgramSetting(ProgramName(), "SourcePath"), "/changed/in/");
    // The store lacked it, so its default is written.
    EXPECT_EQ(ReadStoredValue(ProgramName(), "SaveAsPNG").Type, TStoredType::Dword);
}

TEST_F(RegistryVariables, AnIntegerOutsideItsRangeOrNoNumberReadsAsTheDefaultWithAWarning) {
    struct Case {
        const char* stored;
        qint32 expected;
        QString warning;
    };
    // Each file differs in size from the one before, so the store sees it even within one millisecond.
    const Case cases[] = {
        {"7", 0, "Setting Satellite=7 is outside 0 to 3: the default 0 is used"},
        {"-1", 0, "Setting Satellite=-1 is outside 0 to 3: the default 0 is used"},
        {"3", 3, ""},
        {"GOES-18", 0, "Setting Satellite=GOES-18 is not a whole number: the default 0 is used"},
    };
    for (const Case& c : cases) {
        WriteKeyFile(ProgramName(), QByteArray("[General]\nSatellite=") + c.stored + "\n");
        const TRegistryInteger satellite("Satellite", 0, TIntegerRange{0, 3});
        EXPECT_EQ(satellite.Value, c.expected) << c.stored;
        EXPECT_EQ(satellite.ReadWarning(), c.warning) << c.stored;
    }
    // Left alone, the stored value stays for the operator to mend.
    EXPECT_EQ(ReadProgramSetting(ProgramName(), "Satellite"), "GOES-18");
}

TEST_F(RegistryVariables, ADecimalIsReadWithAPointAndOutsideItsRangeOrNoNumberAsTheDefaultWithAWarning) {
    struct Case {
        const char* stored;
        double expected;
        QString warning;
    };
    // Each file differs in size from the one before, so the store sees it even within one millisecond.
    const Case cases[] = {
        {"99.5", 99.5, ""},
        {"80", 80, ""},
        {"dword:00000050", 80, ""},
        {"150", 99, "Setting IncompleteBelowPercent=150 is outside 0 to 100: the default 99 is used"},
        {"-0.5", 99, "Setting IncompleteBelowPercent=-0.5 is outside 0 to 100: the default 99 is used"},
        {"1e2", 99, "Setting IncompleteBelowPercent=1e2 is not a number: the default 99 is used"},
        {"99,5", 99, "Setting IncompleteBelowPercent=99,5 is not a number: the default 99 is used"},
        {"nan", 99, "Setting IncompleteBelowPercent=nan is not a number: the default 99 is used"},
    };
    for (const Case& c : cases) {
        WriteKeyFile(ProgramName(), QByteArray("[General]\nIncompleteBelowPercent=") + c.stored + "\n");
        const TRegistryDecimal threshold("IncompleteBelowPercent", 99, TDecimalRange{0, 100});
        EXPECT_EQ(threshold.Value, c.expected) << c.stored;
        EXPECT_EQ(threshold.ReadWarning(), c.warning) << c.stored;
    }
    QFile::remove(Store.KeyFile(ProgramName()));
    { const TRegistryDecimal threshold("IncompleteBelowPercent", 99.5, TDecimalRange{0, 100}); }
    EXPECT_TRUE(KeyFileContent(ProgramName()).contains("IncompleteBelowPercent=99.5\n"));
}

TEST_F(RegistryVariables, AFolderIsReadWithItsTrailingSeparator) {
    const std::pair<QString, QString> cases[] = {
        {"/x/img", "/x/img/"}, {"/x/img/", "/x/img/"}, {"", ""}, {"/", "/"}};
    for (const auto& [stored, expected] : cases) {
        WriteKeyFile(ProgramName(), "[General]\nSavePath=\"" + stored.toUtf8() + "\"\n");
        EXPECT_EQ(TRegistryFolder("SavePath", {}).Value, expected) << qPrintable(stored);
        // As read, the value counts as unchanged: the file keeps its own text.
        EXPECT_EQ(ReadProgramSetting(ProgramName(), "SavePath"), stored);
    }
}

TEST_F(RegistryVariables, OtherProgramsKeysAreReadAsText) {
    WriteKeyFile("Feedkeeper", "[General]\nImagesPath=/srv/images/\nInterval=dword:0000000a\n");
    EXPECT_EQ(ReadProgramSetting("Feedkeeper", "ImagesPath"), "/srv/images/");
    EXPECT_EQ(ReadProgramSetting("Feedkeeper", "Interval"), "");
    EXPECT_EQ(ReadProgramSetting("Feedkeeper", "ReceivedFilesPath"), "");
}

TEST_F(RegistryVariables, RegisterAppPathRecordsThisExecutable) {
    RegisterAppPath();
    EXPECT_TRUE(QFileInfo::exists(Store.KeyFile("App Paths")));
    EXPECT_EQ(ReadAppPath(ProgramName()), QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    EXPECT_FALSE(QFileInfo::exists(Store.KeyFile(ProgramName())));
}

TEST_F(RegistryVariables, RenamedExecutableRegistersUnderItsNewName) {
    const QString renamed = Store.ConfigHome() + "/RenamedStation";
    ASSERT_TRUE(QFile::copy(REGISTRY_WRITER, renamed));
    QProcess* writer = StartWriter({}, renamed);
    ASSERT_TRUE(writer->waitForFinished(10000));
    EXPECT_EQ(writer->exitCode(), 0);
    EXPECT_EQ(ReadAppPath("RenamedStation"), QFileInfo(renamed).absoluteFilePath());
    EXPECT_EQ(ReadAppPath("registry_writer"), "");
}

TEST_F(RegistryVariables, TwoProcessesWritingOneKeyLoseNothing) {
    constexpr int kWrites = 100;
    const QString count = QString::number(kWrites);
    QProcess* first = StartWriter({"App Paths", "WriterA", "WriterB", count});
    QProcess* second = StartWriter({"App Paths", "WriterB", "WriterA", count});
    ASSERT_TRUE(first->waitForFinished(30000));
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(ReadAppPath("WriterA"), QString::number(kWrites - 1));
    EXPECT_EQ(ReadAppPath("WriterB"), QString::number(kWrites - 1));
}

} // namespace
