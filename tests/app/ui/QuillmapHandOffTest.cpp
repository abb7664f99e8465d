// The hand-off to Quillmap: its command line, the message for a band without an image, and a real start of a
// stand-in program that records its arguments.
#include "QuillmapHandOff.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(QuillmapParametersTest, AddsAPositiveJobAndQuotesPathsWithBlanks) {
    EXPECT_EQ(QuillmapParameters(QStringLiteral("/data/Sat/image.png"), QStringLiteral("7")),
              QStringLiteral("/data/Sat/image.png -j7"));
    EXPECT_EQ(QuillmapParameters(QStringLiteral("/data/My Images/image.png"), QStringLiteral("7")),
              QStringLiteral("\"/data/My Images/image.png\" -j7"));
    EXPECT_EQ(QuillmapParameters(QStringLiteral("/data/My Images/image.png"), QStringLiteral("0")),
              QStringLiteral("\"/data/My Images/image.png\""));
    EXPECT_EQ(QuillmapParameters(QStringLiteral("/data/Sat/image.png"), QString()),
              QStringLiteral("/data/Sat/image.png"));
    EXPECT_EQ(QuillmapParameters(QStringLiteral("/data/Sat/image.png"), QStringLiteral("-3")),
              QStringLiteral("/data/Sat/image.png"));
    EXPECT_EQ(QuillmapParameters(QStringLiteral("/data/Sat/image.png"), QStringLiteral("12x")),
              QStringLiteral("/data/Sat/image.png"));
}

class QuillmapHandOffTest : public testing::Test {
protected:
    void SetUp() override {
        SetHandOffMessageHook([this](QWidget*, const QString& text) { messages << text; });
        quillmap = dir.filePath(QStringLiteral("quillmap.sh"));
        recorded = dir.filePath(QStringLiteral("arguments.txt"));
        QFile script(quillmap);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1.part'\nmv '%1.part' '%1'\n")
                         .arg(recorded)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void TearDown() override { SetHandOffMessageHook({}); }

    QString MakeImage(const QString& relativePath) {
        const QString path = dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile image(path);
        EXPECT_TRUE(image.open(QIODevice::WriteOnly));
        return path;
    }

    QTemporaryDir dir;
    QString quillmap;
    QString recorded;
    QStringList messages;
};

TEST_F(QuillmapHandOffTest, ABandWithoutAnImageIsReportedAndNothingStarts) {
    EXPECT_FALSE(HandOffToQuillmap(nullptr, quillmap, 1, QString(), QStringLiteral("7")));
    EXPECT_FALSE(HandOffToQuillmap(nullptr, quillmap, 12, dir.filePath(QStringLiteral("gone.png")), {}));
    EXPECT_EQ(messages, QStringList({QStringLiteral("No image file found for band B02"),
                                     QStringLiteral("No image file found for band B13")}));
    EXPECT_FALSE(QFile::exists(recorded));
}

TEST_F(QuillmapHandOffTest, NothingStartsWithoutQuillmap) {
    EXPECT_FALSE(HandOffToQuillmap(nullptr, QString(), 4, MakeImage(QStringLiteral("b05.png")), {}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(QuillmapHandOffTest, QuillmapReceivesThePathAndTheJobAsSeparateArguments) {
    const QString image = MakeImage(QStringLiteral("My Images/scan b13.jpg"));
    ASSERT_TRUE(HandOffToQuillmap(nullptr, quillmap, 12, image, QStringLiteral("7")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(recorded); }, 5000));
    QFile arguments(recorded);
    ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(arguments.readAll()), image + QStringLiteral("\n-j7\n"));
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
