// Restoring all self-persisting controls of a window.
#include "SelfPersisting.h"

#include <QWidget>

void RestoreSelfPersistingControls(QWidget& window) {
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (auto* control = dynamic_cast<TSelfPersisting*>(child)) control->Restore();
    }
}

QStringList SelfPersistingReadWarnings(const QWidget& window) {
    QStringList warnings;
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        const auto* control = dynamic_cast<const TSelfPersisting*>(child);
        if (control && !control->ReadWarning().isEmpty()) warnings << control->ReadWarning();
    }
    return warnings;
}
