// A list of check boxes that keeps the texts of its checked items, comma-separated in list order, in a text
// setting. The setting follows a toggle by the user and the loss of focus; applying a list to the check
// marks leaves the setting's text exactly as it was given.
#pragma once

#include "RegistryVariables.h"
#include "SelfPersisting.h"

#include <QListWidget>
#include <QStringList>

class TVelCheckListBox : public QListWidget, public TOwnedSetting<TRegistryString> {
    Q_OBJECT
public:
    explicit TVelCheckListBox(QWidget* parent = nullptr);

    // Appends unchecked, checkable items.
    void AddItems(const QStringList& texts);

    // The setting's value; empty before Restore.
    QString CheckedList() const;
    // The setting's value := text (once restored), then the items named in text are checked and every other
    // item is unchecked. Items are separated by commas, blanks or control characters; a double-quoted item
    // keeps what it encloses; letter case is ignored; names of no item are ignored.
    void SetCheckedList(const QString& text);

    void Restore() override;
    // Also says when the stored list names what is no item ("Setting BandsSelected=B13,B99: B99 is not one
    // of the items and is ignored").
    QString ReadWarning() const override;

signals:
    // The user toggled the check mark of the item in row; the setting follows after the receivers ran.
    void ClickCheck(int row);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The checked items' texts joined by commas.
    QString CheckedTexts() const;
    // Checks the named items, unchecks the others; returns the pieces of text that name no item.
    QStringList ApplyCheckedList(const QString& text);

    QString UnknownItemsWarning;
};
