// A settings file's text: one value's line changed and every other line kept, the key's own values found,
// and a text that is no settings file refused with the line that shows it.
#include "KeyFileText.h"
#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TKeyFileText Parsed(const QByteArray& text) {
    Result<TKeyFileText> parsed = TKeyFileText::Parse(text);
    EXPECT_TRUE(parsed) << (parsed ? "" : parsed.failure().message.toStdString());
    return parsed ? std::move(*parsed) : TKeyFileText();
}

const QByteArray kOperatorsFile = "; station settings, kept by hand\n"
                                  "[General]\n"
                                  "# the receiver writes here\n"
                                  "SourcePath=/data/in/\n"
                                  "  MyNote = keep me ; and this\n"
                                  "\n"
                                  "SaveAsPNG=1\r\n"
                                  "[Feedkeeper]\n"
                                  "SourcePath=/elsewhere/\n";

TEST(KeyFileText, ChangingAValueChangesItsLineAndNothingElse) {
    const TKeyFileText file = Parsed(kOperatorsFile);
    EXPECT_EQ(file.WithValue("SourcePath", "/new/"), "; station settings, kept by hand\n"
                                                     "[General]\n"
                                                     "# the receiver writes here\n"
                                                     "SourcePath=/new/\n"
                                                     "  MyNote = keep me ; and this\n"
                                                     "\n"
                                                     "SaveAsPNG=1\r\n"
                                                     "[Feedkeeper]\n"
                                                     "SourcePath=/elsewhere/\n");
    EXPECT_EQ(file.WithValue("SaveAsPNG", "dword:00000000"),
              QByteArray(kOperatorsFile).replace("SaveAsPNG=1", "SaveAsPNG=dword:00000000"));
    EXPECT_EQ(file.WithValue("MyNote", "x"),
              QByteArray(kOperatorsFile).replace("MyNote = keep me ; and this", "MyNote=x"));
}

TEST(KeyFileText, ANewValueGoesAfterTheLastOfTheKeysOwnValues) {
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"", "[General]\nNew=1\n"},
        {"# only a comment", "# only a comment\n[General]\nNew=1\n"},
        {"[General]\nA=1\n\n[Other]\nk=v\n", "[General]\nA=1\nNew=1\n\n[Other]\nk=v\n"},
        {"A=1\n[Other]\nk=v\n", "A=1\nNew=1\n[Other]\nk=v\n"},
        {"[general]\n; none yet\n[Other]\nk=v\n", "[general]\nNew=1\n; none yet\n[Other]\nk=v\n"},
        {"[Other]\nk=v\n", "[Other]\nk=v\n[General]\nNew=1\n"},
        {"[General]\nA=1", "[General]\nA=1\nNew=1\n"},
        {"[General]\r\nA=1\r\n", "[General]\r\nA=1\r\nNew=1\r\n"},
        {"[General]\nA=1\n[Other]\nk=v\n[General]\nB=2\n",
         "[General]\nA=1\n[Other]\nk=v\n[General]\nB=2\nNew=1\n"},
    };
    for (const auto& [before, after] : cases)
        EXPECT_EQ(Parsed(before).WithValue("New", "1"), after) << before.constData();
}

TEST(KeyFileText, TheKeysOwnValuesAreBeforeAnyHeaderAndInGeneralAndTheLaterCounts) {
    const TKeyFileText file =
        Parsed("\xEF\xBB\xBF"
               "A=top\n[ GENERAL ]\nB = spaced \n[Other]\nC=other\n[General]\nA=later\n");
    EXPECT_EQ(file.Find("A")->Value.toByteArray(), "later");
    EXPECT_EQ(file.Find("B")->Value.toByteArray(), " spaced ");
    EXPECT_FALSE(file.Find("C"));
    EXPECT_FALSE(file.Find("a"));
    EXPECT_EQ(file.WithValue("A", "new"),
              "\xEF\xBB\xBF"
              "A=top\n[ GENERAL ]\nB = spaced \n[Other]\nC=other\n[General]\nA=new\n");
}

TEST(KeyFileText, ATextThatIsNoSettingsFileIsRefusedWithTheLineThatShowsIt) {
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11), "line 1 is not UTF-8 text"},
        {"[General]\nA=1\nB=\x01\n", "line 3 is not UTF-8 text"},
        {"[General]\nA=\xff\xfe\n", "line 2 is not UTF-8 text"},
        {"[General]\nA=1\r\rB=2\n", "line 2 is not UTF-8 text"},
        {"[General]\nSourcePath=/x/\nnonsense\n", "line 3 is neither a setting, a [section] nor a comment"},
        {"[General\nA=1\n", "line 1 is neither a setting, a [section] nor a comment"},
    };
    for (const auto& [text, reason] : cases) {
        const Result<TKeyFileText> parsed = TKeyFileText::Parse(text);
        ASSERT_FALSE(parsed) << text.toStdString();
        EXPECT_EQ(parsed.failure().code, FailureCode::SettingsDamaged);
        EXPECT_EQ(parsed.failure().message, reason);
    }
}

TEST(KeyFileText, ALineTooLongIsNamedAndItsValueNotTaken) {
    const QByteArray longValue(kLongestSettingLine, 'A');
    const TKeyFileText file =
        Parsed("[General]\n;" + longValue + "\nSourcePath=" + longValue + "\nSavePath=/x/\n");
    EXPECT_TRUE(file.Find("SourcePath")->TooLong);
    EXPECT_FALSE(file.Find("SavePath")->TooLong);
    EXPECT_EQ(file.TooLongNames(), QStringList{"SourcePath"});
    // The start of a file too large to read whole is enough to name it.
    const QByteArray start = "[General]\n#" + longValue + "\nSave" + "Path=/x/\n" + "SourcePath=" + longValue;
    EXPECT_EQ(TKeyFileText::FirstTooLongSetting(start), "SourcePath");
    EXPECT_EQ(TKeyFileText::FirstTooLongSetting("[General]\n#x=" + longValue + "\nA=1\n"), std::nullopt);
}

} // namespace
