// Turns the system's requests to end the program (SIGTERM, SIGINT, SIGHUP, the session ending) into a Qt
// signal on the GUI thread that names what arrived. A closed standard output (SIGPIPE) never ends it.
#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    // Only one instance may exist; it installs the handlers and restores the defaults when destroyed.
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

public slots:
    // The desktop session is ending (QGuiApplication::commitDataRequest).
    void SessionEnding() { emit ShutdownRequested(QStringLiteral("session ending")); }

signals:
    // cause: the signal's name ("SIGTERM") or "session ending".
    void ShutdownRequested(const QString& cause);

private:
    QSocketNotifier* notifier_ = nullptr;
};
