// Window placement settings.
#include "RegistryFormInfo.h"

#include <QWidget>

namespace {

enum TFormValue { FormState, FormLeft, FormTop, FormWidth, FormHeight, FormClientWidth, FormClientHeight };

constexpr const char* kValueNames[] = {"FormState",  "FormLeft",        "FormTop",         "FormWidth",
                                       "FormHeight", "FormClientWidth", "FormClientHeight"};

// 0 normal, 1 minimised, 2 maximised; a minimised window counts as minimised whatever else it is.
qint32 StateCode(Qt::WindowStates states) {
    if (states & Qt::WindowMinimized) return 1;
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen)) return 2;
    return 0;
}

} // namespace

TRegistryFormInfo::TRegistryFormInfo(QWidget& window) : Window(window) {
    const TValues current = CurrentValues();
    for (std::size_t i = 0; i < kValueCount; ++i)
        Settings[i] = std::make_unique<TRegistryInteger>(QString::fromLatin1(kValueNames[i]), current[i]);
}

TRegistryFormInfo::~TRegistryFormInfo() {
    // The placement is the window's own, so it is written whether or not it moved.
    Save();
}

void TRegistryFormInfo::Save() {
    CopyCurrentValues();
    for (auto& setting : Settings) setting->Write();
}

void TRegistryFormInfo::Restore() {
    Window.move(Settings[FormLeft]->Value, Settings[FormTop]->Value);
}

TRegistryFormInfo::TValues TRegistryFormInfo::CurrentValues() const {
    const QRect frame = Window.frameGeometry();
    return {StateCode(Window.windowState()),
            frame.left(),
            frame.top(),
            frame.width(),
            frame.height(),
            Window.width(),
            Window.height()};
}

void TRegistryFormInfo::CopyCurrentValues() {
    const TValues current = CurrentValues();
    for (std::size_t i = 0; i < kValueCount; ++i) Settings[i]->Value = current[i];
}

QStringList TRegistryFormInfo::ReadWarnings() const {
    QStringList warnings;
    for (const auto& setting : Settings)
        if (!setting->ReadWarning().isEmpty()) warnings << setting->ReadWarning();
    return warnings;
}
