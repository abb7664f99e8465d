// Line edit with a persistent text.
#include "VelCustomEdit.h"

TVelCustomEdit::TVelCustomEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (Setting) Setting->Value = text;
    });
}

void TVelCustomEdit::Restore() {
    const bool created =
        HoldsFolder ? CreateSetting<TRegistryFolder>(*this, text()) : CreateSetting(*this, text());
    if (created) setText(Setting->Value);
}
