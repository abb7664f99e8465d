// Labelled edit with a persistent text.
#include "VelLabeledEdit.h"

#include <QEvent>

namespace {
// Gap between the label's bottom and the edit's top.
constexpr int kLabelSpacing = 3;
} // namespace

TVelLabeledEdit::TVelLabeledEdit(const QString& caption, QWidget* parent)
    : TVelCustomEdit(parent), Label(new QLabel(caption, parent)) {
    Label->setBuddy(this);
    PlaceLabel();
}

TVelLabeledEdit::~TVelLabeledEdit() {
    if (Label) Label->deleteLater();
}

void TVelLabeledEdit::Flush() {
    if (Setting) Setting->WriteIfChanged();
}

void TVelLabeledEdit::setVisible(bool visible) {
    TVelCustomEdit::setVisible(visible);
    if (Label) Label->setVisible(visible);
}

void TVelLabeledEdit::moveEvent(QMoveEvent* event) {
    TVelCustomEdit::moveEvent(event);
    PlaceLabel();
}

void TVelLabeledEdit::changeEvent(QEvent* event) {
    TVelCustomEdit::changeEvent(event);
    if (!Label) return;
    if (event->type() == QEvent::ParentChange) {
        Label->setParent(parentWidget());
        Label->setVisible(!isHidden());
        PlaceLabel();
    } else if (event->type() == QEvent::EnabledChange) {
        Label->setEnabled(isEnabled());
    }
}

void TVelLabeledEdit::PlaceLabel() {
    if (!Label) return;
    Label->adjustSize();
    Label->move(x(), y() - Label->height() - kLabelSpacing);
}
