// The INI text form against QSettings itself, which wrote the settings files of earlier versions and reads
// them still: what it writes for a text or a key, and what it reads from a hand-written value.
#include "IniEscaping.h"
#include "QtPrinters.h"

#include <QFile>
#include <QHash>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

class IniEscaping : public testing::Test {
protected:
    static QString Key(qsizetype index) { return "K" + QString::number(index); }

    QByteArray Content() const {
        QFile file(Path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The line QSettings writes for each text, without its "<key>=".
    QByteArrayList WrittenByQSettings(const QStringList& texts) {
        QFile::remove(Path);
        {
            QSettings settings(Path, QSettings::IniFormat);
            for (qsizetype i = 0; i < texts.size(); ++i) settings.setValue(Key(i), texts[i]);
        }
        QHash<QByteArray, QByteArray> byKey;
        for (const QByteArray& line : Content().split('\n'))
            if (const qsizetype equals = line.indexOf('='); equals > 0)
                byKey.insert(line.first(equals), line.sliced(equals + 1));
        QByteArrayList written;
        for (qsizetype i = 0; i < texts.size(); ++i) written << byKey.value(Key(i).toUtf8());
        return written;
    }

    // How QSettings reads each value written by hand.
    std::vector<TIniValue> ReadByQSettings(const QByteArrayList& values) {
        QFile file(Path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[General]\n");
        // A blank line after each, so that a backslash ending a value cannot carry it on to the next.
        for (qsizetype i = 0; i < values.size(); ++i) file.write(Key(i).toUtf8() + '=' + values[i] + "\n\n");
        file.close();
        const QSettings settings(Path, QSettings::IniFormat);
        std::vector<TIniValue> read;
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QVariant value = settings.value(Key(i));
            if (!value.isValid())
                read.push_back({TIniValue::Kind::Invalid, {}});
            else if (value.typeId() == QMetaType::QString)
                read.push_back({TIniValue::Kind::Text, {value.toString()}});
            else if (value.typeId() == QMetaType::QStringList)
                read.push_back({TIniValue::Kind::TextList, value.toStringList()});
            else
                read.push_back({TIniValue::Kind::OtherType, {}});
        }
        return read;
    }

    QTemporaryDir Dir;
    const QString Path = Dir.filePath("peer.conf");
};

// Texts made of the characters that the text form treats apart, in random order and length.
QStringList RandomTexts(int count) {
    const QString pool = QString::fromUtf8("aBf09x @#;,=\"\\'?[]%é日\x7f\u0085\u2028") + QChar(u'\0') +
                         QChar(u'\x01') + QChar(u'\x1f') + u'\t' + u'\n' + u'\r' + QString::fromUtf8("😀");
    std::mt19937 random(20250101);
    std::uniform_int_distribution<qsizetype> length(0, 12), pick(0, pool.size() - 1);
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        QString text;
        for (qsizetype n = length(random); n > 0; --n) {
            const QChar ch = pool[pick(random)];
            // A surrogate is only ever written as a whole pair.
            if (ch.isHighSurrogate() || ch.isLowSurrogate())
                text += QString::fromUtf8("😀");
            else
                text += ch;
        }
        texts << text;
    }
    return texts;
}

const QStringList kTrickyTexts = {
    "plain",
    "/data/with space/",
    " lead",
    "trail ",
    "a,b",
    "a;b",
    "a=b",
    "quote\"q",
    "back\\slash",
    "tab\tx",
    "nl\nx",
    QString::fromUtf8("Ünïcödé/日本"),
    "@at",
    "@@at",
    "ctl\x01x",
    QString("z") + QChar(u'\0') + "y",
    "",
    "x\x7fy",
    "\x01"
    "5",
    "\x01"
    "bcg",
    "semi;",
    "#hash",
    "[brk]",
    "dword:00000001",
    "sz:x",
    "C:\\dir\\",
    QString(QChar(0x2028)),
    QString(QChar(0xfeff)) + "bom",
    "@ByteArray(x)",
    "@Invalid()",
    "  ",
    "B02,B03,B05,B13",
};

TEST_F(IniEscaping, TextsAreWrittenAsQSettingsWritesThem) {
    const QStringList texts = kTrickyTexts + RandomTexts(1000);
    const QByteArrayList written = WrittenByQSettings(texts);
    for (qsizetype i = 0; i < texts.size(); ++i)
        EXPECT_EQ(EscapedIniText(texts[i]), written[i]) << texts[i].toStdString();
}

TEST_F(IniEscaping, WrittenTextsReadBackAsQSettingsReadsThem) {
    const QStringList texts = kTrickyTexts + RandomTexts(1000);
    QByteArrayList written;
    for (const QString& text : texts) written << EscapedIniText(text);
    const std::vector<TIniValue> expected = ReadByQSettings(written);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const TIniValue read = UnescapedIniValue(written[i]);
        EXPECT_EQ(read.kind, TIniValue::Kind::Text) << texts[i].toStdString();
        EXPECT_EQ(read.texts, expected[i].texts) << texts[i].toStdString();
        // Whole, but for a byte order mark at the start, which QSettings drops.
        if (!texts[i].startsWith(QChar(0xfeff))) {
            EXPECT_EQ(read.texts, QStringList{texts[i]}) << texts[i].toStdString();
        }
    }
}

TEST_F(IniEscaping, KeysAreWrittenAsQSettingsWritesThemAndReadBack) {
    const QStringList keys = {"SourcePath",
                              "B01Quillmapjob",
                              "Renamed Station",
                              "a.b-c_d",
                              "a%b",
                              QString::fromUtf8("Ké"),
                              QString::fromUtf8("日本"),
                              "a\\b",
                              "x=y",
                              "#c"};
    {
        QSettings settings(Path, QSettings::IniFormat);
        for (const QString& key : keys) settings.setValue(key, "v");
    }
    const QByteArray written = Content();
    for (const QString& key : keys) {
        EXPECT_TRUE(written.contains("\n" + EscapedIniKey(key) + "=v\n")) << key.toStdString();
        EXPECT_EQ(UnescapedIniKey(EscapedIniKey(key)), key);
    }
    // "\" is a "/", and a "%" that begins no code stands for itself.
    EXPECT_EQ(UnescapedIniKey("a\\b%2"), "a/b%2");
    EXPECT_EQ(UnescapedIniKey("%U00e9%zz"), QString::fromUtf8("é%zz"));
}

TEST_F(IniEscaping, HandWrittenValuesReadAsQSettingsReadsThem) {
    const QByteArrayList values = {
        "plain",
        "  spaced out  ",
        "\"quoted ; x\"",
        "a, b ,c",
        "x;comment",
        "x ; comment",
        "a\\,b",
        "\\101\\x41g",
        "@foo",
        "@@a,b",
        "@a,b",
        "@Invalid()",
        "@ByteArray(xy)",
        "@String(z\\0y)",
        "@Rect(1 2 3 4)",
        "@Rect(1 2)",
        "@Size(1 2)",
        "@Point(1)",
        "trail  \\",
        "tail\\x",
        "\"a\" \"b\"",
        "dword:00000001",
        "B02,B03",
        "x\\",
        "\xc3\xa9",
        "\\t tab",
        " \"q\" ",
        "a\\ ",
        "a \\  ",
        "a\\;b",
        "\"a;b\";c",
        "\\x4142",
        "\\1777777",
        "\\q",
        ",",
        "a,",
        "",
        "\"\"",
        "x\\\"y\"z;w\"",
    };
    const std::vector<TIniValue> expected = ReadByQSettings(values);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const TIniValue read = UnescapedIniValue(values[i]);
        EXPECT_EQ(read.kind, expected[i].kind) << values[i].constData();
        if (expected[i].kind != TIniValue::Kind::OtherType) {
            EXPECT_EQ(read.texts, expected[i].texts) << values[i].constData();
        }
    }
    // Read otherwise on purpose: a stream asking for a 4 GB text is not decoded, and a quote ends with its
    // line.
    EXPECT_EQ(UnescapedIniValue("@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xfe)").kind,
              TIniValue::Kind::OtherType);
    EXPECT_EQ(UnescapedIniValue("\"open").texts, QStringList{"open"});
}

} // namespace
