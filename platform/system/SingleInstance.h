// One running copy of the program per user. A lock file marks the running
// copy; that copy listens on a local socket of the same name, through which a
// later start hands over a message (the activation request) before it exits.
//
// A lock left behind by a copy that ended abnormally is stale (its process is
// gone) and is taken over. When the lock is held by a live process that does
// not answer on the socket, the new copy runs all the same, without the lock,
// as the old marker test did when it found no main window.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalSocket;

// The activation request a later start sends to the running copy (the old
// private window message number, WM_APP + 0x1B0).
inline constexpr int WM_INSTANCE_ACTIVATE = 0x81B0;

// The name of the running-copy marker: the lock file and the local socket.
inline constexpr const char* INSTANCE_MARKER_NAME = "_FORM_ATOM_STRING_QUORVEX";

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // What Acquire found.
    enum class TStart {
        First,      // this copy holds the marker and listens for messages
        HandedOver, // a running copy took the message: exit now
        Unmarked    // a copy holds the marker but did not answer: run without it
    };

    // The marker lives in the user's runtime folder (the temporary folder
    // when there is none); `name` is the marker's name, tests use their own.
    explicit TSingleInstance(const QString& name = QString::fromLatin1(INSTANCE_MARKER_NAME),
                             QObject* parent = nullptr);
    // Releases the marker when this copy holds it.
    ~TSingleInstance() override;

    // Takes the marker, or hands `message` to the copy that holds it.
    TStart Acquire(int message = WM_INSTANCE_ACTIVATE);
    bool HoldsMarker() const { return lock_ && lock_->isLocked(); }
    QString LockFileName() const;

    // Removes the marker at the end of the run.
    void Release();

Q_SIGNALS:
    // A later start sent a message (the running copy's side).
    void MessageReceived(int message);

private:
    bool Listen();
    bool SendToRunningCopy(int message) const;
    void ReadMessages(QLocalSocket* socket);
    QString SocketName() const;

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};
