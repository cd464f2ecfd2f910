// One running copy of the program per user. A lock file marks the running
// copy; that copy listens on a local socket of the same name, through which a
// later start hands over a message (the activation request) before it exits.
//
// Taking the lock (an exclusive flock on the lock file) is the one atomic
// step of the check: of two copies started together exactly one takes it, and
// the other waits for it to listen and hands over. The system lets go of the
// lock of a copy that ended abnormally, so its file left behind is taken over. When the lock is held by a live process
// that does not answer within a few seconds, the new copy runs all the same,
// without the lock, as the old marker test did when it found no main window.
//
// The marker lives in the user's runtime folder; without one (no
// XDG_RUNTIME_DIR) in a folder of the user's own in the temporary folder,
// "quorvex-<uid>", made with mode 0700 and checked to be the user's and
// private before it is used, so that no other user can plant a marker there.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

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
        Unmarked    // no marker could be taken or answered: run without it
    };

    // `name` is the marker's name; tests use their own.
    explicit TSingleInstance(const QString& name = QString::fromLatin1(INSTANCE_MARKER_NAME),
                             QObject* parent = nullptr);
    // Releases the marker when this copy holds it.
    ~TSingleInstance() override;

    // Takes the marker, or hands `message` to the copy that holds it. A copy
    // that holds the lock but does not listen yet (it started a moment
    // before) is waited for.
    TStart Acquire(int message = WM_INSTANCE_ACTIVATE);
    bool HoldsMarker() const { return lockFile_ >= 0; }
    // The lock file's name; empty when there is no private folder for it.
    QString LockFileName() const;

    // Removes the marker at the end of the run.
    void Release();

    // The folder of the markers: the runtime folder, or without one the
    // user's private folder in the temporary folder, made when missing.
    // Empty when that folder is not the user's own or not private.
    static QString MarkerFolder();

Q_SIGNALS:
    // A later start sent a message (the running copy's side).
    void MessageReceived(int message);

private:
    enum class TLock { Taken, Held, Failed };
    TLock TakeLock(const QString& lockName);
    bool Listen();
    void StopListening();
    void AcceptConnections();
    bool SendToRunningCopy(int message) const;
    QString SocketName() const;

    QString name_;
    // The open lock file and its name while this copy holds its lock.
    int lockFile_ = -1;
    QByteArray lockPath_;
    // The listening socket, a plain unix-domain socket: a library of
    // network classes would cost the start of every copy more than this.
    int listener_ = -1;
    std::unique_ptr<QSocketNotifier> listening_;
};
