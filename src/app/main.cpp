// Stratolux: watches the receiver's folder and turns GOES-R ABI full-disk radiance files into images.
#include "CommandLine.h"
#include "InstanceLock.h"
#include "InstanceName.h"
#include "ProcessingLog.h"
#include "ProgramOptions.h"
#include "RuntimeFolder.h"
#include "ShutdownSignals.h"
#include "StratoluxForm.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>
#include <vector>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitBadUsage = 2;

// The argument vector Qt and the window see: the program's own options taken out. It must outlive the
// application object, which keeps referring to it.
class ArgumentVector {
public:
    ArgumentVector(const char* program, const QStringList& rest) {
        Texts.emplace_back(program);
        for (const QString& argument : rest) Texts.push_back(argument.toLocal8Bit());
        for (QByteArray& text : Texts) Pointers.push_back(text.data());
        Pointers.push_back(nullptr);
        Count = static_cast<int>(Texts.size());
    }
    ArgumentVector(const ArgumentVector&) = delete;
    ArgumentVector& operator=(const ArgumentVector&) = delete;

    int Count = 0;
    char** Values() { return Pointers.data(); }

private:
    std::vector<QByteArray> Texts;
    std::vector<char*> Pointers;
};

void PrintLine(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", qPrintable(text));
}

bool HasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QStringLiteral("offscreen") && platform != QStringLiteral("minimal");
}

// A start that cannot go on: said on standard error, and in a message box where someone can see one.
void ReportRefusedStart(const QString& programName, const QString& reason) {
    PrintLine(stderr, programName + ": " + reason);
    if (HasDisplay())
        QMessageBox::warning(nullptr, QStringLiteral("Stratolux"), "Stratolux: " + reason + '.');
}

} // namespace

int main(int argc, char** argv) {
    const char* program = argc > 0 ? argv[0] : "stratolux";
    const QString programName = QFileInfo(QString::fromLocal8Bit(program)).fileName();
    QStringList arguments;
    for (int index = 1; index < argc; ++index) arguments << QString::fromLocal8Bit(argv[index]);

    // Answered before the application object exists, so that they need no display.
    const ProgramOptions options = ParseProgramOptions(arguments);
    switch (options.action) {
    case ProgramOptions::Action::ShowHelp:
        std::fputs(qPrintable(UsageText(programName)), stdout);
        return 0;
    case ProgramOptions::Action::ShowVersion:
        PrintLine(stdout, programName + " " + STRATOLUX_VERSION);
        return 0;
    case ProgramOptions::Action::BadUsage:
        PrintLine(stderr, programName + ": " + options.problem + " (see --help)");
        return kExitBadUsage;
    case ProgramOptions::Action::Run:
        break;
    }

    if (NoDisplayChosen(options.rest)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        PrintLine(stderr, programName + ": no display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM unset): "
                                        "running headless on Qt's offscreen platform");
    }
    ArgumentVector qtArguments(program, options.rest);
    QApplication app(qtArguments.Count, qtArguments.Values());
    SetInstanceName(options.instanceName);
    // The per-user data folder, where the log goes when the program's own folder is read-only, follows it.
    QCoreApplication::setApplicationName(ProgramName());
    const Result<TInstanceLock> lock = TInstanceLock::Acquire(VendorRuntimeFolder(), ProgramName());
    if (!lock) {
        ReportRefusedStart(programName, lock.failure().message);
        return kExitRefused;
    }

    // Qt has taken out its own options by now.
    const CommandLine line = ParseCommandLine(QCoreApplication::arguments().mid(1));
    for (const QString& option : line.unknownOptions)
        PrintLine(stderr, programName + ": unknown option \"" + option + "\" ignored (see --help)");
    for (const QString& argument : line.ignoredArguments)
        PrintLine(stderr, programName + ": argument \"" + argument +
                              "\" ignored: only the first argument names a file to process");

    TFormStratolux form(line, DefaultLogFileName());
    ShutdownSignals shutdownSignals;
    QObject::connect(&shutdownSignals, &ShutdownSignals::ShutdownRequested, &form,
                     &TFormStratolux::WMQueryEndSession);
    QObject::connect(&form, &TFormStratolux::EndSessionAgreed, &app, &QApplication::quit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &shutdownSignals,
                     &ShutdownSignals::SessionEnding);
    form.show();
    return app.exec();
}
