// The Content-Disposition of an image file sent for showing, for a browser's "Save as": the file's name
// whole, as UTF-8 percent-encoded (RFC 6266 and RFC 5987), and an ASCII stand-in for clients that know only
// the plain form, in which every character that is not plain printable ASCII, and '"', '\' and '%', becomes
// '_'. A name that holds control characters or quotes thus never ends the field.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray InlineDisposition(const QString& fileName);
