// The per-user store of the maker's programs: under the vendor key "Nimbrel", one key per program, each
// holding named values typed as DWORD (32-bit signed) or text, like the Windows registry's current user.
//
// On Linux a key is the INI file ~/.config/Nimbrel/<key>.conf (KeyFiles.h), in the text form QSettings
// reads and writes (IniEscaping.h), and INI text cannot tell the number 2 from the text "2". Values are
// therefore stored as text with a type mark, in the .reg file convention:
//   a DWORD is "dword:" and exactly eight lower-case hex digits, two's complement: -2 is dword:fffffffe;
//   a text is stored as it stands, except that a text which itself begins with "dword:" or "sz:" is
//   stored with "sz:" in front, so no text can read back as a number.
// A stored "dword:" without exactly eight hex digits, and anything QSettings reads as another type (for
// example @Variant(...)), is a value of another type, and so is a value whose line is too long to take
// (KeyFileText.h). A hand-written unquoted list such as B02,B03 reads as the text "B02,B03", and a
// hand-written plain number such as 1 reads as the text "1" (the integer and true/false settings accept
// such a decimal text; RegistryVariables.cpp).
#pragma once

#include "Failure.h"

#include <QString>
#include <QStringList>

enum class TStoredType { Missing, Dword, Text, Other };

struct TStoredValue {
    TStoredType Type = TStoredType::Missing;
    qint32 Dword = 0;
    QString Text;
};

// Reads one value without creating anything. A key file that cannot be read or parsed holds no values.
TStoredValue ReadStoredValue(const QString& keyName, const QString& valueName);

// Store one value at once, creating the key when missing: only that value's line of the file changes, and
// the file is replaced whole, on disk, before the call returns. Each call reads the file afresh, so
// concurrent writers of other values in the same key keep their values. A file that cannot be read or
// parsed, or cannot be written (CheckStoredKey), is left as it is and the failure says why.
Status WriteStoredDword(const QString& keyName, const QString& valueName, qint32 value);
Status WriteStoredText(const QString& keyName, const QString& valueName, const QString& value);

// What the operator should hear about a key before its values are read, one log line each, none when all is
// well: a file that cannot be parsed, or is too large to be a settings file, is renamed
// <name>.conf.unreadable-<UTC time> so that it is kept and the defaults stand in ("Settings file /x/a.conf
// cannot be read (line 2 is not UTF-8 text): it is kept beside it as a.conf.unreadable-20250101T120000Z and
// the defaults are used"); a value whose line is too long to take; a file or folder in which changes cannot
// be kept.
QStringList CheckStoredKey(const QString& keyName);
