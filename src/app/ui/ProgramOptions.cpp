// Reading the program's own options and the usage text.
#include "ProgramOptions.h"

#include "InstanceName.h"

namespace {

const QString kInstance = QStringLiteral("--instance");

} // namespace

ProgramOptions ParseProgramOptions(const QStringList& arguments) {
    ProgramOptions options;
    const auto badUsage = [&options](const QString& problem) {
        options.action = ProgramOptions::Action::BadUsage;
        options.problem = problem;
        return options;
    };
    for (qsizetype index = 0; index < arguments.size(); ++index) {
        const QString& argument = arguments[index];
        if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            options.action = ProgramOptions::Action::ShowHelp;
            return options;
        }
        if (argument == QStringLiteral("--version")) {
            options.action = ProgramOptions::Action::ShowVersion;
            return options;
        }
        if (argument == kInstance || argument.startsWith(kInstance + u'=')) {
            const bool joined = argument != kInstance;
            if (!joined && index + 1 == arguments.size()) return badUsage(kInstance + " needs a name");
            options.instanceName = joined ? argument.mid(kInstance.size() + 1) : arguments[++index];
            if (!IsValidInstanceName(options.instanceName))
                return badUsage(
                    QStringLiteral("\"%1\" is not an instance name: use up to 64 letters, digits, "
                                   "\".\", \"_\" and \"-\", not starting with \".\" or \"-\"")
                        .arg(options.instanceName));
            continue;
        }
        options.rest << argument;
    }
    return options;
}

bool NoDisplayChosen(const QStringList& qtArguments) {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(variable)) return false;
    // Qt takes its options after one dash or two.
    return !qtArguments.contains(QStringLiteral("-platform")) &&
           !qtArguments.contains(QStringLiteral("--platform"));
}

QString UsageText(const QString& programName) {
    return QStringLiteral(
               "Usage: %1 [--instance NAME] [-start] [-log] [-images] [FILE]\n"
               "Watches the receiver's folder for GOES-R ABI L1b radiance files and turns each into images.\n"
               "\n"
               "Options:\n"
               "  --instance NAME  run as the instance NAME, with its own settings\n"
               "                   (~/.config/Nimbrel/NAME.conf), log file and lock; one process per name.\n"
               "                   Default: the program's file name (%1)\n"
               "  -start           start processing at once\n"
               "  -log             show the Log tab\n"
               "  -images          show the Images tab (wins over -log)\n"
               "  --help           show this text\n"
               "  --version        show the version\n"
               "\n"
               "Arguments:\n"
               "  FILE             when the first argument names an existing file: process that one file,\n"
               "                   then stop processing; the program stays open\n"
               "\n"
               "The switches start, log and images may also begin with \"/\" and match in any case.\n"
               "Qt's own options apply too, for example -platform xcb. Without a display (no DISPLAY,\n"
               "WAYLAND_DISPLAY, QT_QPA_PLATFORM or -platform) the program runs headless.\n")
        .arg(programName);
}
