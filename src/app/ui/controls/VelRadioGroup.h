// A group box of radio buttons that keeps the index of the selected item in an integer setting, taken from
// the group only at destruction. A stored index that names no item reads as the design selection.
#pragma once

#include "RegistryVariables.h"
#include "SelfPersisting.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class TVelRadioGroup : public QGroupBox, public TOwnedSetting<TRegistryInteger> {
    Q_OBJECT
public:
    TVelRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);
    ~TVelRadioGroup() override;

    QStringList Items() const;
    // The selected item, or -1 when none is.
    int ItemIndex() const;
    // Selects an item without emitting Click; an index outside the items is clamped to -1 … count - 1.
    void SetItemIndex(int index);

    void Restore() override;

signals:
    // The user picked an item.
    void Click();

private:
    QButtonGroup Buttons;
};
