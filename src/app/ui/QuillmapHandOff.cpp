// The hand-off of a band's newest image to the sibling image program Quillmap: its command line and its
// start.
#include "QuillmapHandOff.h"

#include "BandTables.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <algorithm>

namespace {

void ShowMessageBox(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}

HandOffMessage& MessageHook() {
    static HandOffMessage hook = ShowMessageBox;
    return hook;
}

} // namespace

void SetHandOffMessageHook(HandOffMessage message) {
    MessageHook() = message ? std::move(message) : HandOffMessage(ShowMessageBox);
}

// Quoting at any white space, not only a blank, because the started program's arguments are split at any.
QString QuillmapParameters(const QString& imagePath, const QString& jobText) {
    const bool hasSpace =
        std::any_of(imagePath.begin(), imagePath.end(), [](QChar c) { return c.isSpace(); });
    QString parameters = hasSpace ? QLatin1Char('"') + imagePath + QLatin1Char('"') : imagePath;
    bool isNumber = false;
    const int job = jobText.toInt(&isNumber);
    if (isNumber && job > 0) parameters += QStringLiteral(" -j") + QString::number(job);
    return parameters;
}

bool HandOffToQuillmap(QWidget* parent, const QString& quillmapPath, int band, const QString& imagePath,
                       const QString& jobText) {
    if (!QFileInfo(imagePath).isFile()) {
        const QString code = band >= 0 && band < kBandCount ? BandCode[band] : QString();
        MessageHook()(parent, QStringLiteral("No image file found for band ") + code);
        return false;
    }
    if (quillmapPath.isEmpty()) return false;
    return QProcess::startDetached(quillmapPath,
                                   QProcess::splitCommand(QuillmapParameters(imagePath, jobText)));
}
