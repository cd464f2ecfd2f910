// SIGTERM (a desktop session ending, `kill`) and SIGINT (Ctrl+C in the
// terminal) as a Qt signal on the GUI thread, so that the program closes its
// windows and its settings store as it does on File > Exit instead of
// dying at once or, where a library swallowed them, not at all.
//
// The handler only writes the signal's number into a pipe that a socket
// notifier watches; it also gives the signal back its default action, so a
// second one ends a program that hangs while it closes. The server engine's
// client library installs handlers of its own for both signals when it
// first connects: the database component calls Reclaim right after that.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers. One object at a time.
    explicit TTerminationSignals(QObject* parent = nullptr);
    // Gives both signals their default action again.
    ~TTerminationSignals() override;

    // Installs the handlers of the object that listens, if any, again,
    // replacing what a library installed since.
    static void Reclaim();

Q_SIGNALS:
    // SIGTERM or SIGINT arrived; emitted by the event loop.
    void Requested(int signal);

private:
    static void Handle(int signal);
    void ReadSignal();

    int Pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> Notifier;
};
