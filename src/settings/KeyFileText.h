// The text of one key's settings file, line by line as the operator or an earlier version left it, so that
// a value is changed by changing its line alone: comments, blank lines, the order of the lines, values the
// program does not know and other sections all stay as they stand.
//
// A line is blank, a comment (";" or "#" first), a section header ("[General]"), or NAME=VALUE in the text
// form of IniEscaping.h. The key's own values are those before any header and those in [General] (any
// case); of two lines of one name the later counts, as QSettings reads it.
#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A line longer than this, in bytes, holds no value the program takes.
inline constexpr qsizetype kLongestSettingLine = 64 * 1024;

class TKeyFileText {
public:
    // A file without values.
    TKeyFileText() = default;

    // The text of a file; an empty text is a file without values. Fails with the code SettingsDamaged and a
    // reason naming the first line that is not UTF-8 text without control characters, or is none of the
    // kinds of line above ("line 3 is neither a setting, a [section] nor a comment").
    static Result<TKeyFileText> Parse(QByteArray text);

    // The name of the first setting whose line is longer than kLongestSettingLine in `text`, the start of a
    // file too large to parse, or nothing.
    static std::optional<QString> FirstTooLongSetting(QByteArrayView text);

    struct TEntry {
        QByteArrayView Value; // the text after "="
        bool TooLong = false; // its line is longer than kLongestSettingLine
    };
    // The key's own value of that name; it points into this text.
    std::optional<TEntry> Find(const QString& name) const;

    // The names of the key's own values whose lines are too long, in file order.
    QStringList TooLongNames() const;

    // The text with the line of the value `name` (the one Find finds) replaced by NAME=VALUE, its line end
    // kept; a new value goes after the last of the key's own values, or after the [General] header, or at
    // the end under a new [General] header.
    QByteArray WithValue(const QString& name, const QByteArray& escapedValue) const;

    const QByteArray& Text() const { return Bytes; }

private:
    struct TOwnLine {
        QString Name;
        qsizetype Start, ValueStart, End; // End: before the line's end
    };

    explicit TKeyFileText(QByteArray text) : Bytes(std::move(text)) {}
    const TOwnLine* FindLine(const QString& name) const;

    QByteArray Bytes;
    std::vector<TOwnLine> OwnLines;
    // Where a new value's line goes: after the last own value or the [General] header; none without either.
    std::optional<qsizetype> InsertAt;
};
