#include "platform/system/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a later start waits for the running copy to take its message.
constexpr int kHandOverTimeoutMs = 2000;
// How long a later start waits for a copy that holds the lock to listen: it
// listens a moment after it took the lock, or answers as soon as its event
// loop runs again.
constexpr int kAnswerWaitMs = 5000;
constexpr unsigned long kRetryPauseMs = 20;

} // namespace

TSingleInstance::TSingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , name_(name)
{
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            auto reader = std::make_shared<TInstanceMessageReader>();
            const auto read = [this, socket, reader] {
                for (const int message : reader->Feed(socket->readAll()))
                    Q_EMIT MessageReceived(message);
                if (reader->Refused())
                    socket->abort();
            };
            connect(socket, &QLocalSocket::readyRead, this, read);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            read();
        }
    });
}

TSingleInstance::~TSingleInstance()
{
    Release();
}

QString TSingleInstance::MarkerFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt refuses a runtime folder that is not the user's own.
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty())
            return runtime;
    }
    // The temporary folder is shared with every user: a folder of that name
    // made by someone else, or open to others, is not used.
    const QByteArray folder = QFile::encodeName(QDir::tempPath() + QStringLiteral("/quorvex-")
                                                + QString::number(::geteuid()));
    ::mkdir(folder.constData(), 0700);
    struct stat status {};
    if (::lstat(folder.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()
        || (status.st_mode & 077) != 0)
        return {};
    return QFile::decodeName(folder);
}

QString TSingleInstance::LockFileName() const
{
    const QString folder = MarkerFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name_ + QStringLiteral(".lock");
}

QString TSingleInstance::SocketName() const
{
    return MarkerFolder() + QLatin1Char('/') + name_ + QStringLiteral(".socket");
}

TSingleInstance::TStart TSingleInstance::Acquire(int message)
{
    if (HoldsMarker())
        return TStart::First;
    const QString lockName = LockFileName();
    if (lockName.isEmpty()) {
        qWarning("No private folder for the running-copy marker: more than one copy may run");
        return TStart::Unmarked;
    }
    const QDeadlineTimer deadline(kAnswerWaitMs);
    for (;;) {
        lock_ = std::make_unique<QLockFile>(lockName);
        // Never stale by age: only a lock whose process has gone is taken
        // over (QLockFile checks the process it names).
        lock_->setStaleLockTime(0);
        if (lock_->tryLock(0)) {
            Listen();
            return TStart::First;
        }
        const bool heldByAnother = lock_->error() == QLockFile::LockFailedError;
        lock_.reset();
        if (!heldByAnother)
            return TStart::Unmarked;
        // The holder listens a moment after it took the lock.
        if (SendToRunningCopy(message))
            return TStart::HandedOver;
        if (deadline.hasExpired())
            return TStart::Unmarked;
        QThread::msleep(kRetryPauseMs);
    }
}

void TSingleInstance::Release()
{
    server_.close();
    if (lock_)
        lock_->unlock();
    lock_.reset();
}

bool TSingleInstance::Listen()
{
    const QString socketName = SocketName();
    // A socket file left by a copy that ended abnormally would block listening;
    // holding the lock proves no live copy owns it.
    QLocalServer::removeServer(socketName);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    return server_.listen(socketName);
}

bool TSingleInstance::SendToRunningCopy(int message) const
{
    QLocalSocket socket;
    socket.connectToServer(SocketName());
    if (!socket.waitForConnected(kHandOverTimeoutMs))
        return false;
    socket.write(QByteArray::number(message) + '\n');
    const bool sent = socket.waitForBytesWritten(kHandOverTimeoutMs) || socket.bytesToWrite() == 0;
    socket.disconnectFromServer();
    return sent;
}
