#include "platform/system/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

// How long a later start waits for the running copy to take its message.
constexpr int kHandOverTimeoutMs = 2000;

QString MarkerFolder()
{
    // Without a session's runtime folder Qt would warn and make one in the
    // temporary folder; go there directly.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QDir::tempPath();
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

TSingleInstance::TSingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , name_(name)
{
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadMessages(socket); });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            ReadMessages(socket);
        }
    });
}

TSingleInstance::~TSingleInstance()
{
    Release();
}

QString TSingleInstance::LockFileName() const
{
    return MarkerFolder() + QLatin1Char('/') + name_ + QStringLiteral(".lock");
}

QString TSingleInstance::SocketName() const
{
    return MarkerFolder() + QLatin1Char('/') + name_ + QStringLiteral(".socket");
}

TSingleInstance::TStart TSingleInstance::Acquire(int message)
{
    if (HoldsMarker())
        return TStart::First;
    lock_ = std::make_unique<QLockFile>(LockFileName());
    // Never stale by age: only a lock whose process has gone is taken over
    // (QLockFile checks the process it names).
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) {
        Listen();
        return TStart::First;
    }
    lock_.reset();
    return SendToRunningCopy(message) ? TStart::HandedOver : TStart::Unmarked;
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

void TSingleInstance::ReadMessages(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        bool ok = false;
        const int message = socket->readLine().trimmed().toInt(&ok);
        // Anything but a number is not from this program: ignore it.
        if (ok)
            Q_EMIT MessageReceived(message);
    }
}
