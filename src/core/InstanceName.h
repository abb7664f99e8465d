// The name of this running instance of the program. It keys the instance's settings, log file and lock, so
// several instances of one executable (one per satellite) run side by side. By default it is the executable's
// file name without folder and extension; the command line may choose another.
#pragma once

#include <QString>

// The executable's file name without folder and extension. A QCoreApplication must exist.
QString DefaultInstanceName();

// Letters, digits, ".", "_" and "-", not starting with "." or "-", at most 64 characters: a name that is safe
// as a file name and as a service instance.
bool IsValidInstanceName(const QString& name);

// Chooses the instance name for the rest of the process; call it before any setting is created.
void SetInstanceName(const QString& name);

// The instance name: the one chosen, else the default.
QString ProgramName();
