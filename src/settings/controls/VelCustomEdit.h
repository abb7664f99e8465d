// The line edit beneath both self-persisting edits: its text setting follows every text change and is
// written when the edit is destroyed.
#pragma once

#include "RegistryVariables.h"
#include "SelfPersisting.h"

#include <QLineEdit>

class TVelCustomEdit : public QLineEdit, public TOwnedSetting<TRegistryString> {
    Q_OBJECT
public:
    explicit TVelCustomEdit(QWidget* parent = nullptr);

    void Restore() override;
};
