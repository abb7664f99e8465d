// Check list with a persistent list of checked items.
#include "VelCheckListBox.h"

#include <QSignalBlocker>

namespace {

bool IsSeparator(QChar c) {
    return c <= u' ' || c == u',';
}

// Splits at commas, blanks and control characters; "a b" in double quotes is one piece, "" inside quotes is
// a quote character.
QStringList SplitCommaText(const QString& text) {
    QStringList pieces;
    qsizetype i = 0;
    const qsizetype length = text.size();
    while (i < length) {
        if (IsSeparator(text[i])) {
            ++i;
            continue;
        }
        QString piece;
        if (text[i] == u'"') {
            for (++i; i < length; ++i) {
                if (text[i] == u'"') {
                    if (i + 1 < length && text[i + 1] == u'"') {
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
                piece += text[i];
            }
        } else {
            for (; i < length && !IsSeparator(text[i]); ++i) piece += text[i];
        }
        pieces << piece;
    }
    return pieces;
}

} // namespace

TVelCheckListBox::TVelCheckListBox(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        emit ClickCheck(row(item));
        if (Setting) Setting->Value = CheckedTexts();
    });
}

void TVelCheckListBox::AddItems(const QStringList& texts) {
    const QSignalBlocker quiet(this);
    for (const QString& text : texts) {
        auto* item = new QListWidgetItem(text, this);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

QString TVelCheckListBox::CheckedList() const {
    return Setting ? Setting->Value : QString();
}

void TVelCheckListBox::SetCheckedList(const QString& text) {
    if (Setting) Setting->Value = text;
    ApplyCheckedList(text);
}

void TVelCheckListBox::Restore() {
    if (CreateSetting(*this, CheckedTexts())) ApplyCheckedList(Setting->Value);
}

void TVelCheckListBox::focusOutEvent(QFocusEvent* event) {
    if (Setting) Setting->Value = CheckedTexts();
    QListWidget::focusOutEvent(event);
}

QString TVelCheckListBox::CheckedTexts() const {
    QStringList checked;
    for (int row = 0; row < count(); ++row) {
        if (item(row)->checkState() == Qt::Checked) checked << item(row)->text();
    }
    return checked.join(u',');
}

void TVelCheckListBox::ApplyCheckedList(const QString& text) {
    const QStringList pieces = SplitCommaText(text);
    const QSignalBlocker quiet(this);
    for (int row = 0; row < count(); ++row) {
        const bool named = pieces.contains(item(row)->text(), Qt::CaseInsensitive);
        item(row)->setCheckState(named ? Qt::Checked : Qt::Unchecked);
    }
}
