// The per-user store of the maker's programs: under the vendor key "Nimbrel", one key per program, each
// holding named values typed as DWORD (32-bit signed) or text, like the Windows registry's current user.
//
// On Linux a key is the QSettings file ~/.config/Nimbrel/<key>.conf, and INI text cannot tell the number 2
// from the text "2". Values are therefore stored as text with a type mark, in the .reg file convention:
//   a DWORD is "dword:" and exactly eight lower-case hex digits, two's complement: -2 is dword:fffffffe;
//   a text is stored as it stands, except that a text which itself begins with "dword:" or "sz:" is
//   stored with "sz:" in front, so no text can read back as a number.
// A stored "dword:" without exactly eight hex digits, and anything QSettings reads as another type (for
// example @Variant(...)), is a value of another type. A hand-written unquoted list such as B02,B03 reads
// as the text "B02,B03", and a hand-written plain number such as 1 reads as the text "1" (the integer and
// true/false settings accept such a decimal text; RegistryVariables.cpp).
#pragma once

#include <QString>

enum class TStoredType { Missing, Dword, Text, Other };

struct TStoredValue {
    TStoredType Type = TStoredType::Missing;
    qint32 Dword = 0;
    QString Text;
};

// Reads one value without creating anything.
TStoredValue ReadStoredValue(const QString& keyName, const QString& valueName);

// Store one value at once, creating the key when missing; failures are silent. Each call opens and
// syncs its own handle, so concurrent writers of other values in the same key keep their values.
void WriteStoredDword(const QString& keyName, const QString& valueName, qint32 value);
void WriteStoredText(const QString& keyName, const QString& valueName, const QString& value);
