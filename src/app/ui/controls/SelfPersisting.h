// What the self-persisting Setup controls share: the value name, the setting each one owns, and restoring
// every such control of a window once its widgets have been built.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

// A control that keeps its value in a setting of the program's key.
class TSelfPersisting {
public:
    virtual ~TSelfPersisting() = default;

    // Creates the owned setting with the control's current (design) value as default and shows the stored
    // value, without emitting the control's click signals. Does nothing when the setting exists already.
    virtual void Restore() = 0;

    // The owned setting's ReadWarning: empty unless the stored value could not be taken.
    virtual QString ReadWarning() const = 0;

    // The value name in the program's key; when empty at Restore it becomes the control's objectName().
    QString NamedAs;
};

// Restores every self-persisting control inside window. The window calls it right after building its
// widgets and before anything reads their values.
void RestoreSelfPersistingControls(QWidget& window);

// The read warnings of the window's self-persisting controls, for the log.
QStringList SelfPersistingReadWarnings(const QWidget& window);

template <class TSetting> class TOwnedSetting : public TSelfPersisting {
public:
    QString ReadWarning() const override { return Setting ? Setting->ReadWarning() : QString(); }

protected:
    // Creates the setting, a TSetting or one derived from it (TCreated), on the first call and returns true;
    // false when it existed already. extra: what TCreated takes after the name and the default.
    template <class TCreated = TSetting, class TValue, class... TExtra>
    bool CreateSetting(const QObject& control, const TValue& designValue, const TExtra&... extra) {
        if (Setting) return false;
        if (NamedAs.isEmpty()) NamedAs = control.objectName();
        Setting = std::make_unique<TCreated>(NamedAs, designValue, extra...);
        return true;
    }

    // Writes its value when destroyed together with the control.
    std::unique_ptr<TSetting> Setting;
};
