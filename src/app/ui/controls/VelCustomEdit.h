// The line edit beneath both self-persisting edits: its text setting follows every text change and is
// written when the edit is destroyed. An edit that holds a folder reads its stored text as a folder
// (TRegistryFolder).
#pragma once

#include "RegistryVariables.h"
#include "SelfPersisting.h"

#include <QLineEdit>

class TVelCustomEdit : public QLineEdit, public TOwnedSetting<TRegistryString> {
    Q_OBJECT
public:
    explicit TVelCustomEdit(QWidget* parent = nullptr);

    void Restore() override;

    // Set before Restore.
    bool HoldsFolder = false;
};
