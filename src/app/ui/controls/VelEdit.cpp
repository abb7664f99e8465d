// Plain edit with a persistent text.
#include "VelEdit.h"

TVelEdit::TVelEdit(QWidget* parent) : TVelCustomEdit(parent), Digits(QRegularExpression("[0-9]*")) {}

void TVelEdit::SetNumbersOnly(bool numbersOnly) {
    setValidator(numbersOnly ? &Digits : nullptr);
}

void TVelEdit::Restore() {
    const bool restoring = !Setting;
    TVelCustomEdit::Restore();
    if (!restoring || validator() != &Digits) return;
    QString stored = text();
    int position = 0;
    if (Digits.validate(stored, position) != QValidator::Acceptable)
        NotDigitsWarning = QStringLiteral("Setting %1=%2 is not a whole number: no number is taken from it")
                               .arg(NamedAs, stored);
}

QString TVelEdit::ReadWarning() const {
    const QString stored = TVelCustomEdit::ReadWarning();
    return stored.isEmpty() ? NotDigitsWarning : stored;
}
