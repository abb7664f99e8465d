// Parsing the command line.
#include "CommandLine.h"

namespace {

bool IsSwitch(const QString& argument, const QString& word) {
    return argument.size() > 1 && (argument[0] == '-' || argument[0] == '/') &&
           argument.mid(1).compare(word, Qt::CaseInsensitive) == 0;
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (const QString& argument : arguments) {
        line.start = line.start || IsSwitch(argument, "start");
        line.log = line.log || IsSwitch(argument, "log");
        line.images = line.images || IsSwitch(argument, "images");
    }
    if (!arguments.isEmpty()) line.firstArgument = arguments.first();
    return line;
}
