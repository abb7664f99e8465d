// The program's own options, read before any window exists: --help, --version and --instance NAME. Every
// other argument is left, in its order, for Qt's own options and the window's command line (CommandLine.h).
#pragma once

#include <QString>
#include <QStringList>

struct ProgramOptions {
    enum class Action { Run, ShowHelp, ShowVersion, BadUsage };
    Action action = Action::Run;
    QString instanceName; // empty: the executable's own name
    QString problem;      // what is wrong, for BadUsage
    QStringList rest;
};

// arguments without the program itself.
ProgramOptions ParseProgramOptions(const QStringList& arguments);

// True when nothing chooses where the window goes: none of DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM is
// set and qtArguments (what ParseProgramOptions left) hold no -platform. The program then runs headless
// rather than let Qt end it for want of a display.
bool NoDisplayChosen(const QStringList& qtArguments);

// The text --help prints; programName is the executable's file name.
QString UsageText(const QString& programName);
