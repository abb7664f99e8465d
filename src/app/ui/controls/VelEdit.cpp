// Plain edit with a persistent text.
#include "VelEdit.h"

TVelEdit::TVelEdit(QWidget* parent) : TVelCustomEdit(parent), Digits(QRegularExpression("[0-9]*")) {}

void TVelEdit::SetNumbersOnly(bool numbersOnly) {
    setValidator(numbersOnly ? &Digits : nullptr);
}
