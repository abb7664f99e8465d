// An edit with a caption label above it whose text persists; Flush writes the text at once when it changed
// (the window flushes a path edit when it is left or browsed, which also happens as the window closes, so an
// unchanged text leaves whatever the store holds by then).
#pragma once

#include "VelCustomEdit.h"

#include <QLabel>
#include <QPointer>

class TVelLabeledEdit : public TVelCustomEdit {
    Q_OBJECT
public:
    // The label is a sibling of the edit (a child of parent) and follows the edit's position and visibility.
    explicit TVelLabeledEdit(const QString& caption, QWidget* parent = nullptr);
    ~TVelLabeledEdit() override;

    QLabel* EditLabel() const { return Label; }

    void Flush();

    void setVisible(bool visible) override;

protected:
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void PlaceLabel();

    // Owned by the parent widget, which may delete it first.
    QPointer<QLabel> Label;
};
