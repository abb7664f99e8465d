// Turns the system's requests to end the program (SIGTERM, SIGINT, SIGHUP) into a Qt signal on the GUI
// thread.
#pragma once

#include <QObject>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    // Only one instance may exist; it installs the handlers and restores the defaults when destroyed.
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void ShutdownRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};
