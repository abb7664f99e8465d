// Restoring all self-persisting controls of a window.
#include "SelfPersisting.h"

#include <QWidget>

void RestoreSelfPersistingControls(QWidget& window) {
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (auto* control = dynamic_cast<TSelfPersisting*>(child)) control->Restore();
    }
}
