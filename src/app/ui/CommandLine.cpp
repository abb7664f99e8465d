// Parsing the command line.
#include "CommandLine.h"

#include <QFileInfo>

namespace {

bool IsSwitch(const QString& argument, const QString& word) {
    return argument.size() > 1 && (argument[0] == '-' || argument[0] == '/') &&
           argument.mid(1).compare(word, Qt::CaseInsensitive) == 0;
}

bool IsAnySwitch(const QString& argument) {
    return IsSwitch(argument, "start") || IsSwitch(argument, "log") || IsSwitch(argument, "images");
}

bool IsOption(const QString& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments[index];
        line.start = line.start || IsSwitch(argument, "start");
        line.log = line.log || IsSwitch(argument, "log");
        line.images = line.images || IsSwitch(argument, "images");
        if (IsAnySwitch(argument)) continue;
        if (IsOption(argument))
            line.unknownOptions << argument;
        else if (index > 0)
            line.ignoredArguments << argument;
    }
    if (!arguments.isEmpty()) line.firstArgument = arguments.first();
    return line;
}

std::optional<QString> NamedFileProblem(const CommandLine& line) {
    const QString& named = line.firstArgument;
    if (named.isEmpty() || IsAnySwitch(named) || IsOption(named)) return std::nullopt;
    const QFileInfo file(named);
    QString problem;
    if (!file.exists())
        problem = QStringLiteral("does not exist");
    else if (file.isDir())
        problem = QStringLiteral("is a folder");
    else if (!file.isFile())
        problem = QStringLiteral("is not a regular file");
    else
        return std::nullopt;
    return "File " + named + " named on the command line " + problem + ": it is not processed";
}
