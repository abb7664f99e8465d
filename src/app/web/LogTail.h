// The lines the processing log's file already holds when the web page starts, so that the page shows the
// log's history as the window does.
#pragma once

#include <QString>
#include <QStringList>

// The last `count` lines of the UTF-8 text file (lines ended by CR LF or LF), read from its end only; empty
// when the file is missing or unreadable.
QStringList LastLinesOf(const QString& fileName, int count);
