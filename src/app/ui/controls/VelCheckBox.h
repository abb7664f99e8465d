// A check box that keeps its checked state in a boolean setting. The setting follows the box only at Flush
// and at destruction; until then the box is the working copy.
#pragma once

#include "RegistryVariables.h"
#include "SelfPersisting.h"

#include <QCheckBox>

class TVelCheckBox : public QCheckBox, public TOwnedSetting<TRegistryBoolean> {
    Q_OBJECT
public:
    explicit TVelCheckBox(const QString& text = QString(), QWidget* parent = nullptr);
    ~TVelCheckBox() override;

    // Shows the stored state; neither clicked nor toggled is emitted meanwhile.
    void Restore() override;
    // Copies the checked state into the setting and writes it now.
    void Flush();
};
