// Setting objects over the per-user store, and the shared register of program paths.
#include "RegistryVariables.h"

#include "RegistryStore.h"
#include "Utils.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <optional>

namespace {

const QString kAppPathsKey = QStringLiteral("App Paths");

// A stored text ends at its first NUL, as registry strings do.
QString TextUpToNul(const QString& text) {
    return text.left(text.indexOf(QChar(u'\0')));
}

std::optional<QString> ReadText(const QString& keyName, const QString& valueName) {
    const TStoredValue stored = ReadStoredValue(keyName, valueName);
    if (stored.Type != TStoredType::Text) return std::nullopt;
    return TextUpToNul(stored.Text);
}

// A whole number written by hand as plain decimal text, like SaveAsPNG=1.
std::optional<qint32> DecimalNumber(const QString& text) {
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]+")));
    bool ok = false;
    const qint32 number = decimal.match(text).hasMatch() ? text.toInt(&ok, 10) : 0;
    return ok ? std::optional<qint32>(number) : std::nullopt;
}

// The stored value as the log names it: a text as written, any other type by what it is.
QString StoredText(const TStoredValue& stored) {
    return stored.Type == TStoredType::Text ? stored.Text : QStringLiteral("(not a number)");
}

QString NotANumberWarning(const QString& name, const TStoredValue& stored, const QString& kind,
                          const QString& defaultValue) {
    return QStringLiteral("Setting %1=%2 is not %3: the default %4 is used")
        .arg(name, StoredText(stored), kind, defaultValue);
}

// The program writes numbers in the typed form; a plain decimal number written by hand reads as well. A
// value that is neither sets `warning` (kind: what it should have been) and reads as none.
std::optional<qint32> ReadDword(const QString& keyName, const QString& valueName, const QString& kind,
                                const QString& defaultValue, QString& warning) {
    const TStoredValue stored = ReadStoredValue(keyName, valueName);
    if (stored.Type == TStoredType::Missing) return std::nullopt;
    if (stored.Type == TStoredType::Dword) return stored.Dword;
    const std::optional<qint32> number =
        stored.Type == TStoredType::Text ? DecimalNumber(stored.Text) : std::nullopt;
    if (!number) warning = NotANumberWarning(valueName, stored, kind, defaultValue);
    return number;
}

// A number with decimals written by hand: 99, 99.5, -0.25; no exponent, no infinity.
std::optional<double> DecimalFraction(const QString& text) {
    static const QRegularExpression decimal(
        QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]+(\\.[0-9]+)?")));
    bool ok = false;
    const double number = decimal.match(text).hasMatch() ? QLocale::c().toDouble(text, &ok) : 0;
    return ok ? std::optional<double>(number) : std::nullopt;
}

QString DecimalText(double value) {
    return QLocale::c().toString(value, 'f', QLocale::FloatingPointShortest);
}

QString OutOfRangeWarning(const QString& name, const QString& stored, const QString& lowest,
                          const QString& highest, const QString& defaultValue) {
    return QStringLiteral("Setting %1=%2 is outside %3 to %4: the default %5 is used")
        .arg(name, stored, lowest, highest, defaultValue);
}

Status StoreValue(const QString& keyName, const QString& valueName, bool value) {
    return WriteStoredDword(keyName, valueName, value ? 1 : 0);
}

Status StoreValue(const QString& keyName, const QString& valueName, qint32 value) {
    return WriteStoredDword(keyName, valueName, value);
}

Status StoreValue(const QString& keyName, const QString& valueName, double value) {
    return WriteStoredText(keyName, valueName, DecimalText(value));
}

Status StoreValue(const QString& keyName, const QString& valueName, const QString& value) {
    return WriteStoredText(keyName, valueName, value);
}

} // namespace

TRegistryVariable::TRegistryVariable(const QString& name) : ValueName(name), KeyName(ProgramName()) {}

bool TRegistryVariable::IsStored() const {
    return ReadStoredValue(KeyName, ValueName).Type != TStoredType::Missing;
}

template <class T>
TRegistryValue<T>::TRegistryValue(const QString& name, const T& value)
    : TRegistryVariable(name), Value(value), Stored(value) {}

template <class T> TRegistryValue<T>::~TRegistryValue() {
    WriteIfChanged();
}

template <class T> void TRegistryValue<T>::WriteIfChanged() {
    if (Value != Stored || !IsStored()) Write();
}

template <class T> void TRegistryValue<T>::Write() {
    // Why a key cannot be written is said once at start (CheckStoredKey), not at every value.
    static_cast<void>(StoreValue(KeyName, ValueName, Value));
    Stored = Value;
}

template <class T> void TRegistryValue<T>::TakeAsRead(const T& value) {
    Value = value;
    Stored = value;
}

template class TRegistryValue<bool>;
template class TRegistryValue<qint32>;
template class TRegistryValue<double>;
template class TRegistryValue<QString>;

TRegistryBoolean::TRegistryBoolean(const QString& name, bool defaultValue)
    : TRegistryValue(name, defaultValue) {
    TakeAsRead(ReadDword(KeyName, name, QStringLiteral("0 or 1"), defaultValue ? "1" : "0", Warning)
                   .value_or(defaultValue) != 0);
}

TRegistryInteger::TRegistryInteger(const QString& name, qint32 defaultValue,
                                   std::optional<TIntegerRange> range)
    : TRegistryValue(name, defaultValue) {
    const std::optional<qint32> stored =
        ReadDword(KeyName, name, QStringLiteral("a whole number"), QString::number(defaultValue), Warning);
    if (!stored) return;
    if (range && (*stored < range->Lowest || *stored > range->Highest)) {
        Warning = OutOfRangeWarning(name, QString::number(*stored), QString::number(range->Lowest),
                                    QString::number(range->Highest), QString::number(defaultValue));
        return;
    }
    TakeAsRead(*stored);
}

TRegistryDecimal::TRegistryDecimal(const QString& name, double defaultValue, TDecimalRange range)
    : TRegistryValue(name, defaultValue) {
    const TStoredValue stored = ReadStoredValue(KeyName, name);
    if (stored.Type == TStoredType::Missing) return;
    const std::optional<double> number = stored.Type == TStoredType::Dword  ? stored.Dword
                                         : stored.Type == TStoredType::Text ? DecimalFraction(stored.Text)
                                                                            : std::nullopt;
    if (!number) {
        Warning = NotANumberWarning(name, stored, QStringLiteral("a number"), DecimalText(defaultValue));
        return;
    }
    if (*number < range.Lowest || *number > range.Highest) {
        Warning = OutOfRangeWarning(name, DecimalText(*number), DecimalText(range.Lowest),
                                    DecimalText(range.Highest), DecimalText(defaultValue));
        return;
    }
    TakeAsRead(*number);
}

TRegistryString::TRegistryString(const QString& name, const QString& defaultValue)
    : TRegistryValue(name, defaultValue) {
    TakeAsRead(ReadText(KeyName, name).value_or(defaultValue));
}

TRegistryFolder::TRegistryFolder(const QString& name, const QString& defaultValue)
    : TRegistryString(name, defaultValue) {
    TakeAsRead(WithTrailingSeparator(Value));
}

QString ReadAppPath(const QString& programName) {
    return ReadProgramSetting(kAppPathsKey, programName);
}

void RegisterAppPath() {
    // The shared register serves the sibling programs; this program goes on without its entry.
    static_cast<void>(WriteStoredText(kAppPathsKey, ProgramName(),
                                      QDir::toNativeSeparators(QCoreApplication::applicationFilePath())));
}

QString ReadProgramSetting(const QString& programName, const QString& valueName) {
    return ReadText(programName, valueName).value_or(QString());
}
