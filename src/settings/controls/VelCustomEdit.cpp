// Line edit with a persistent text.
#include "VelCustomEdit.h"

TVelCustomEdit::TVelCustomEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (Setting) Setting->Value = text;
    });
}

void TVelCustomEdit::Restore() {
    if (CreateSetting(*this, text())) setText(Setting->Value);
}
