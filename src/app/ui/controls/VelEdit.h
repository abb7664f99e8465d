// A plain edit whose text persists; optionally it accepts digits only (the Quillmap job numbers).
#pragma once

#include "VelCustomEdit.h"

#include <QRegularExpressionValidator>

class TVelEdit : public TVelCustomEdit {
    Q_OBJECT
public:
    explicit TVelEdit(QWidget* parent = nullptr);

    // Lets the user type digits only; text set by the program is not checked. Set before Restore.
    void SetNumbersOnly(bool numbersOnly);

    void Restore() override;
    // Also says when an edit of digits only restored a text that is not one.
    QString ReadWarning() const override;

private:
    QRegularExpressionValidator Digits;
    QString NotDigitsWarning;
};
