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
        const bool start = IsSwitch(argument, "start");
        const bool log = IsSwitch(argument, "log");
        const bool images = IsSwitch(argument, "images");
        line.start = line.start || start;
        line.log = line.log || log;
        line.images = line.images || images;
        if (argument.size() > 1 && argument[0] == '-' && !start && !log && !images)
            line.unknownOptions << argument;
    }
    if (!arguments.isEmpty()) line.firstArgument = arguments.first();
    return line;
}
