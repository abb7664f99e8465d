// The store's values: type marks over the key files' text values.
#include "RegistryStore.h"

#include "IniEscaping.h"
#include "KeyFiles.h"

namespace {

const QString kDwordMark = QStringLiteral("dword:");
const QString kTextMark = QStringLiteral("sz:");
constexpr qsizetype kDwordDigits = 8;

TStoredValue DecodeText(const QString& stored) {
    TStoredValue value;
    if (stored.startsWith(kDwordMark)) {
        const QStringView digits = QStringView(stored).mid(kDwordMark.size());
        bool ok = digits.size() == kDwordDigits;
        const quint32 number = ok ? digits.toUInt(&ok, 16) : 0;
        value.Type = ok ? TStoredType::Dword : TStoredType::Other;
        value.Dword = static_cast<qint32>(number);
        return value;
    }
    value.Type = TStoredType::Text;
    value.Text = stored.startsWith(kTextMark) ? stored.mid(kTextMark.size()) : stored;
    return value;
}

TStoredValue Decode(const TIniValue& stored) {
    switch (stored.kind) {
    case TIniValue::Kind::Invalid:
        return {};
    case TIniValue::Kind::Text:
    case TIniValue::Kind::TextList:
        return DecodeText(stored.texts.join(u','));
    case TIniValue::Kind::OtherType:
        break;
    }
    return {TStoredType::Other, 0, {}};
}

} // namespace

TStoredValue ReadStoredValue(const QString& keyName, const QString& valueName) {
    const Result<TKeyFile> file = ReadKeyFile(KeyFilePath(keyName));
    if (!file) return {};
    const std::optional<TKeyFileText::TEntry> entry = file->Text.Find(valueName);
    if (!entry) return {};
    if (entry->TooLong) return {TStoredType::Other, 0, {}};
    return Decode(UnescapedIniValue(entry->Value));
}

Status WriteStoredDword(const QString& keyName, const QString& valueName, qint32 value) {
    const QString digits =
        QString::number(static_cast<quint32>(value), 16).rightJustified(kDwordDigits, u'0');
    return WriteKeyFileValue(keyName, valueName, EscapedIniText(kDwordMark + digits));
}

Status WriteStoredText(const QString& keyName, const QString& valueName, const QString& value) {
    const bool needsMark = value.startsWith(kDwordMark) || value.startsWith(kTextMark);
    return WriteKeyFileValue(keyName, valueName, EscapedIniText(needsMark ? kTextMark + value : value));
}
