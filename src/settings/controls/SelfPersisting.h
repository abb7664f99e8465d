// What the self-persisting Setup controls share: the value name, the setting each one owns, and restoring
// every such control of a window once its widgets have been built.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QWidget;

// A control that keeps its value in a setting of the program's key.
class TSelfPersisting {
public:
    virtual ~TSelfPersisting() = default;

    // Creates the owned setting with the control's current (design) value as default and shows the stored
    // value, without emitting the control's click signals. Does nothing when the setting exists already.
    virtual void Restore() = 0;

    // The value name in the program's key; when empty at Restore it becomes the control's objectName().
    QString NamedAs;
};

// Restores every self-persisting control inside window. The window calls it right after building its
// widgets and before anything reads their values.
void RestoreSelfPersistingControls(QWidget& window);

template <class TSetting> class TOwnedSetting : public TSelfPersisting {
protected:
    // Creates the setting on the first call and returns true; false when it existed already.
    template <class TValue> bool CreateSetting(const QObject& control, const TValue& designValue) {
        if (Setting) return false;
        if (NamedAs.isEmpty()) NamedAs = control.objectName();
        Setting = std::make_unique<TSetting>(NamedAs, designValue);
        return true;
    }

    // Writes its value when destroyed together with the control.
    std::unique_ptr<TSetting> Setting;
};
