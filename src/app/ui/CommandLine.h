// The command line: the switches "start", "log" and "images" (after "-" or "/", any case, any position) and a
// first argument that may name one file to process.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct CommandLine {
    bool start = false;
    bool log = false;
    bool images = false;
    QString firstArgument; // whatever its form; tested as a file path at start-up
    // Arguments that begin with "-" and are none of the switches: reported, otherwise ignored. ("/" begins
    // a path as well as a switch, so only "-" marks an option.)
    QStringList unknownOptions;
    // Arguments after the first that are neither switches nor options: only the first names a file.
    QStringList ignoredArguments;
};

// arguments without the program itself.
CommandLine ParseCommandLine(const QStringList& arguments);

// When the first argument is meant as a file (it is neither a switch nor an option) but names no file, the
// line that says so: "File /no/such.nc named on the command line does not exist: it is not processed".
std::optional<QString> NamedFileProblem(const CommandLine& line);
