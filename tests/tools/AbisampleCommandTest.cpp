// The abisample tool run as a child process: arguments, output and exit codes.
#include "SampleFileProbe.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
    QString errors;
};

ToolRun Abisample(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(ABISAMPLE_EXECUTABLE), arguments);
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

TEST(AbisampleCommandTest, BadArgumentsExitWithCodeTwoAndSayWhy) {
    QTemporaryDir folder;
    const QStringList out = {QStringLiteral("--out"), folder.path()};
    const std::vector<std::pair<QStringList, QString>> cases = {
        {{"--band", "17"}, "--band"},
        {{"--band", "thirteen"}, "--band"},
        {{"--satellite", "15"}, "--satellite"},
        {{"--mode", "5"}, "--mode"},
        {{"--start", "2025-02-30T10:00:00"}, "--start"},
        {{"--start", "yesterday"}, "--start"},
        {{"--size", "0"}, "--size"},
        {{"--longitude", "east"}, "--longitude"},
        {{"--seed", "-1"}, "--seed"},
        {{"--missing-rows", "101"}, "--missing-rows"},
        {{"--uncorrectable-errors", "some"}, "--uncorrectable-errors"},
        {{"--colour", "red"}, "colour"},
        {{"stray"}, "stray"},
    };
    for (const auto& [arguments, mentioned] : cases) {
        const ToolRun run = Abisample(arguments + out);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.errors.contains(mentioned)) << run.errors.toStdString();
        EXPECT_TRUE(run.output.isEmpty()) << run.output.toStdString();
    }
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(AbisampleCommandTest, HelpNamesTheOptions) {
    const ToolRun run = Abisample({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option : {"--satellite", "--band", "--mode", "--start", "--size", "--longitude",
                               "--seed", "--missing-rows", "--uncorrectable-errors", "--grb", "--out"})
        EXPECT_TRUE(run.output.contains(QLatin1String(option))) << option;
}

TEST(AbisampleCommandTest, WritesTheFileAndPrintsItsPath) {
    QTemporaryDir folder;
    const ToolRun run =
        Abisample({"--satellite", "18", "--band", "7", "--mode", "3", "--start", "2024-03-05T10:20:30.4",
                   "--size", "64", "--seed", "9", "--longitude", "-137.2", "--out", folder.path()});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QStringList lines = run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    const QFileInfo file(lines.first());
    EXPECT_TRUE(file.isFile());
    EXPECT_EQ(file.absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
    EXPECT_TRUE(file.fileName().startsWith(QStringLiteral("OR_ABI-L1b-RadF-M3C07_G18_s20240651020304_e")))
        << file.fileName().toStdString();
    const SampleFileProbe probe(file.filePath());
    EXPECT_EQ(probe.Dimensions().at("x"), 64u);
    EXPECT_FLOAT_EQ(
        static_cast<float>(probe.Number("goes_imager_projection", "longitude_of_projection_origin")),
        -137.2f);
}

TEST(AbisampleCommandTest, WritesAnIncompleteFileFromTheGrbBroadcast) {
    QTemporaryDir folder;
    const ToolRun run = Abisample({"--size", "64", "--missing-rows", "20", "--uncorrectable-errors", "0.4",
                                   "--grb", "--out", folder.path()});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const SampleFileProbe probe(run.output.trimmed());
    const double valid = probe.Values("valid_pixel_count").at(0);
    const double missing = probe.Values("missing_pixel_count").at(0);
    EXPECT_NEAR(missing / (valid + missing), 0.2, 0.03);
    EXPECT_FLOAT_EQ(static_cast<float>(probe.Values("percent_uncorrectable_GRB_errors").at(0)), 0.004f);
}

TEST(AbisampleCommandTest, AllBandsGiveSixteenFiles) {
    QTemporaryDir folder;
    const ToolRun run = Abisample({"--band", "all", "--size", "32", "--out", folder.path()});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 16);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 16);
}

TEST(AbisampleCommandTest, WriteFailureExitsWithCodeOne) {
    QTemporaryDir folder;
    const ToolRun run = Abisample({"--size", "32", "--out", folder.filePath(QStringLiteral("missing"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("does not exist"))) << run.errors.toStdString();
}
