// The main window's parts as a test or a benchmark that drives the window from outside meets them: found by
// the names the window gives them, the way an operator finds them by what they show.
#pragma once

#include "LED.h"
#include "SetupTab.h"
#include "SingleImageForm.h"
#include "ThumbnailPanel.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtGlobal>

class WindowParts {
public:
    explicit WindowParts(const QWidget& window)
        : pages(Named<QTabWidget>(window, "PageControlMain")),
          thumbnails(Named<ThumbnailPanel>(window, "TabSheetImages")),
          log(Named<QPlainTextEdit>(window, "MemoLogProcessing")),
          setup(Named<SetupTab>(window, "TabSheetSetup")),
          startStop(Named<QPushButton>(window, "BitBtnStartStop")), lamp(Named<TLED>(window, "LEDrx")),
          statusBar(Named<QStatusBar>(window, "StatusBar")),
          singleImage(Named<TFormSingleImage>(window, "FormSingleImage")) {}

    QTabWidget* const pages;
    ThumbnailPanel* const thumbnails;
    QPlainTextEdit* const log;
    SetupTab* const setup;
    QPushButton* const startStop;
    TLED* const lamp;
    QStatusBar* const statusBar;
    TFormSingleImage* const singleImage;

private:
    // A part the window lacks leaves nothing to drive: the run ends saying which.
    template <class Part> static Part* Named(const QWidget& window, const char* name) {
        Part* part = window.findChild<Part*>(QString::fromLatin1(name));
        if (!part) qFatal("The window has no %s", name);
        return part;
    }
};
