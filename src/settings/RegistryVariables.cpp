// Setting objects over the per-user store, and the shared register of program paths.
#include "RegistryVariables.h"

#include "RegistryStore.h"

#include <QCoreApplication>
#include <QDir>
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

// The program writes numbers in the typed form; a plain decimal number written by hand reads as well.
std::optional<qint32> ReadDword(const QString& keyName, const QString& valueName) {
    const TStoredValue stored = ReadStoredValue(keyName, valueName);
    if (stored.Type == TStoredType::Dword) return stored.Dword;
    if (stored.Type == TStoredType::Text) return DecimalNumber(stored.Text);
    return std::nullopt;
}

} // namespace

TRegistryVariable::TRegistryVariable(const QString& name) : ValueName(name), KeyName(ProgramName()) {}

TRegistryBoolean::TRegistryBoolean(const QString& name, bool defaultValue)
    : TRegistryVariable(name), Value(ReadDword(KeyName, name).value_or(defaultValue) != 0) {}

TRegistryBoolean::~TRegistryBoolean() {
    Write();
}

void TRegistryBoolean::Write() {
    WriteStoredDword(KeyName, ValueName, Value ? 1 : 0);
}

TRegistryInteger::TRegistryInteger(const QString& name, qint32 defaultValue)
    : TRegistryVariable(name), Value(ReadDword(KeyName, name).value_or(defaultValue)) {}

TRegistryInteger::~TRegistryInteger() {
    Write();
}

void TRegistryInteger::Write() {
    WriteStoredDword(KeyName, ValueName, Value);
}

TRegistryString::TRegistryString(const QString& name, const QString& defaultValue)
    : TRegistryVariable(name), Value(ReadText(KeyName, name).value_or(defaultValue)) {}

TRegistryString::~TRegistryString() {
    Write();
}

void TRegistryString::Write() {
    WriteStoredText(KeyName, ValueName, Value);
}

QString ReadAppPath(const QString& programName) {
    return ReadProgramSetting(kAppPathsKey, programName);
}

void RegisterAppPath() {
    WriteStoredText(kAppPathsKey, ProgramName(),
                    QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
}

QString ReadProgramSetting(const QString& programName, const QString& valueName) {
    return ReadText(programName, valueName).value_or(QString());
}
