// Pictures of a round signal lamp, drawn in code: the template of the LED indicator and the two glyphs of
// the Start/Stop button.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

// The colour that marks a lamp picture's lit area: red 0, green 255, blue 0.
inline const QColor kLampLitMark = QColor(0, 255, 0);

// 15 × 15: the lit disc in kLampLitMark inside a dark rim, on a square dark surround that the LED clips
// round.
QImage LampTemplate();

// 15 × 15 on a transparent background: the button glyphs with the lamp off and on.
QPixmap GlyphLedOff();
QPixmap GlyphLedOn();
