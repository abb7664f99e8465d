// Radio group with a persistent item index.
#include "VelRadioGroup.h"

#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

TVelRadioGroup::TVelRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent) {
    auto* layout = new QVBoxLayout(this);
    for (int index = 0; index < items.size(); ++index) {
        auto* button = new QRadioButton(items[index], this);
        layout->addWidget(button);
        Buttons.addButton(button, index);
    }
    connect(&Buttons, &QButtonGroup::idClicked, this, &TVelRadioGroup::Click);
}

TVelRadioGroup::~TVelRadioGroup() {
    if (Setting) Setting->Value = ItemIndex();
}

QStringList TVelRadioGroup::Items() const {
    QStringList items;
    for (const QAbstractButton* button : Buttons.buttons()) items << button->text();
    return items;
}

int TVelRadioGroup::ItemIndex() const {
    return Buttons.checkedId();
}

void TVelRadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, static_cast<int>(Buttons.buttons().size()) - 1);
    if (index >= 0) {
        Buttons.button(index)->setChecked(true);
    } else if (QAbstractButton* checked = Buttons.checkedButton()) {
        // An exclusive group never lets its last checked button go.
        Buttons.setExclusive(false);
        checked->setChecked(false);
        Buttons.setExclusive(true);
    }
}

void TVelRadioGroup::Restore() {
    const TIntegerRange items{0, static_cast<qint32>(Buttons.buttons().size()) - 1};
    if (CreateSetting(*this, ItemIndex(), items)) SetItemIndex(Setting->Value);
}
