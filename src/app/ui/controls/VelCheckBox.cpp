// Check box with a persistent checked state.
#include "VelCheckBox.h"

#include <QSignalBlocker>

TVelCheckBox::TVelCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

TVelCheckBox::~TVelCheckBox() {
    if (Setting) Setting->Value = isChecked();
}

void TVelCheckBox::Restore() {
    if (!CreateSetting(*this, isChecked())) return;
    const QSignalBlocker quiet(this);
    setChecked(Setting->Value);
}

void TVelCheckBox::Flush() {
    if (!Setting) return;
    Setting->Value = isChecked();
    Setting->Write();
}
