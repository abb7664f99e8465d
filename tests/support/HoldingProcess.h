// A separate process that holds a file open, for reading or for writing, until it is told to close it.
#pragma once

#include <QProcess>
#include <QString>

class HoldingProcess {
public:
    enum class Mode { Reading, Writing };

    // Starts the process and waits until it holds the file (opened for appending when writing).
    HoldingProcess(const QString& path, Mode mode);
    // Ends the process, which closes the file if it still holds it.
    ~HoldingProcess();
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

    // Whether the process holds the file.
    bool IsReady() const { return ready_; }
    qint64 Pid() const { return process_.processId(); }
    // Makes the process close the file and waits until it has; the process itself lives on. False when it
    // did not say so.
    bool CloseFile();

private:
    // Waits for the process's next line of output; true when it is `expected`.
    bool Said(const QByteArray& expected);

    QProcess process_;
    bool ready_ = false;
};
