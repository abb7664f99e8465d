// Keys and values in the text form QSettings gives them in an INI file, so that the store, which writes its
// files line by line itself, reads every file QSettings wrote (earlier versions kept the settings through it)
// and writes nothing QSettings would read otherwise.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// A key as it stands before "=": letters, digits, "_", "-" and "." as they are, "/" as "\", any other
// character as %XX or %UXXXX.
QByteArray EscapedIniKey(QStringView key);
QString UnescapedIniKey(QByteArrayView key);

// A text value as QSettings writes a string: UTF-8, with C-style escapes for quotes, backslashes and control
// characters, in double quotes when it holds ";", "," or "=" or begins or ends with a space; a text that
// begins with "@" gets another "@", and one holding a NUL is written as @String(...).
QByteArray EscapedIniText(const QString& text);

// A value as QSettings reads it.
struct TIniValue {
    enum class Kind {
        Invalid,   // @Invalid(): no value
        Text,      // texts holds the one text
        TextList,  // an unquoted comma made a list of texts
        OtherType, // @ByteArray(...), @Variant(...) and the other typed forms, or a list holding one
    };
    Kind kind = Kind::Invalid;
    QStringList texts;
};

// The text after "=" up to the end of its line; an unquoted ";" begins a comment. Two forms read otherwise
// than QSettings reads them: a quote left open ends with its line (QSettings carries it on over the lines
// that follow), and @Variant(...) and @DateTime(...) are of another type without being decoded (QSettings
// decodes them through QDataStream, where a length written by hand can ask for gigabytes).
TIniValue UnescapedIniValue(QByteArrayView value);
