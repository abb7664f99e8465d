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
    if (!CreateSetting(*this, CheckedTexts())) return;
    const QStringList unknown = ApplyCheckedList(Setting->Value);
    if (unknown.isEmpty()) return;
    UnknownItemsWarning = QStringLiteral("Setting %1=%2: %3 %4 and %5 ignored")
                              .arg(NamedAs, Setting->Value, unknown.join(QStringLiteral(", ")),
                                   unknown.size() == 1 ? QStringLiteral("is not one of the items")
                                                       : QStringLiteral("are not among the items"),
                                   unknown.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
}

QString TVelCheckListBox::ReadWarning() const {
    const QString stored = TOwnedSetting::ReadWarning();
    return stored.isEmpty() ? UnknownItemsWarning : stored;
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

QStringList TVelCheckListBox::ApplyCheckedList(const QString& text) {
    QStringList unknown = SplitCommaText(text);
    const QSignalBlocker quiet(this);
    for (int row = 0; row < count(); ++row) {
        const bool named = unknown.removeIf([&](const QString& piece) {
            return piece.compare(item(row)->text(), Qt::CaseInsensitive) == 0;
        }) > 0;
        item(row)->setCheckState(named ? Qt::Checked : Qt::Unchecked);
    }
    return unknown;
}
