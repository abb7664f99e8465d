// The instance name chosen at start-up, or the executable's own.
#include "InstanceName.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString& ChosenName() {
    static QString name;
    return name;
}

} // namespace

QString DefaultInstanceName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

bool IsValidInstanceName(const QString& name) {
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9_][A-Za-z0-9._-]{0,63}")));
    return pattern.match(name).hasMatch();
}

void SetInstanceName(const QString& name) {
    ChosenName() = name;
}

QString ProgramName() {
    return ChosenName().isEmpty() ? DefaultInstanceName() : ChosenName();
}
