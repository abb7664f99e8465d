// A plain edit whose text persists; optionally it accepts digits only (the Quillmap job numbers).
#pragma once

#include "VelCustomEdit.h"

#include <QRegularExpressionValidator>

class TVelEdit : public TVelCustomEdit {
    Q_OBJECT
public:
    explicit TVelEdit(QWidget* parent = nullptr);

    // Lets the user type digits only; text set by the program is not checked.
    void SetNumbersOnly(bool numbersOnly);

private:
    QRegularExpressionValidator Digits;
};
