// The command line: the switches "start", "log" and "images" (after "-" or "/", any case, any position) and a
// first argument that may name one file to process.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLine {
    bool start = false;
    bool log = false;
    bool images = false;
    QString firstArgument; // whatever its form; tested as a file path at start-up
    // Arguments that begin with "-" and are none of the switches: reported, otherwise ignored. ("/" begins
    // a path as well as a switch, so only "-" marks an option.)
    QStringList unknownOptions;
};

// arguments without the program itself.
CommandLine ParseCommandLine(const QStringList& arguments);
