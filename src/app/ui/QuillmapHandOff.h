// The hand-off of a band's newest image to the sibling image program Quillmap: its command line and its
// start.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// The image path, in double quotes when it contains white space, followed by " -j" and the job number when
// the job text is a whole number greater than 0.
QString QuillmapParameters(const QString& imagePath, const QString& jobText);

// Tells the operator that a band has no image. The default is a modal information box with an OK button; a
// replacement lets tests run without answering it, and an empty function restores the default.
using HandOffMessage = std::function<void(QWidget* parent, const QString& text)>;
void SetHandOffMessageHook(HandOffMessage message);

// Starts Quillmap (detached, not waited for) on the band's newest image, with the job text of the band's
// Setup edit. When no file exists at imagePath, shows "No image file found for band B…" instead; when
// quillmapPath is empty, starts nothing. True when Quillmap was started.
bool HandOffToQuillmap(QWidget* parent, const QString& quillmapPath, int band, const QString& imagePath,
                       const QString& jobText);
