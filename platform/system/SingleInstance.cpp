#include "platform/system/SingleInstance.h"

#include "platform/system/InstanceMessageReader.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace {

// How long a later start waits for the running copy to take its message.
constexpr int kHandOverTimeoutMs = 2000;
// How long a later start waits for a copy that holds the lock to listen: it
// listens a moment after it took the lock, or answers as soon as its event
// loop runs again.
constexpr int kAnswerWaitMs = 5000;
constexpr unsigned long kRetryPauseMs = 20;

// The address of the socket file `path`; false when the path is too long for
// one.
bool SocketAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray encoded = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || encoded.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), std::size_t(encoded.size()));
    return true;
}

// One later start's connection: its messages are passed on as its bytes
// come, and it is closed at its end or when it sends what no copy sends.
class TInstanceConnection : public QObject {
public:
    TInstanceConnection(int socket, std::function<void(int)> deliver, QObject* parent)
        : QObject(parent)
        , socket_(socket)
        , deliver_(std::move(deliver))
        , readable_(socket, QSocketNotifier::Read)
    {
        connect(&readable_, &QSocketNotifier::activated, this, &TInstanceConnection::Read);
    }
    ~TInstanceConnection() override { ::close(socket_); }

private:
    void Read()
    {
        char buffer[256];
        for (;;) {
            const ssize_t count = ::read(socket_, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (count <= 0)
                break;
            for (const int message : reader_.Feed(QByteArrayView(buffer, count)))
                deliver_(message);
            if (reader_.Refused())
                break;
        }
        readable_.setEnabled(false);
        deleteLater();
    }

    int socket_;
    std::function<void(int)> deliver_;
    QSocketNotifier readable_;
    TInstanceMessageReader reader_;
};

} // namespace

TSingleInstance::TSingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , name_(name)
{
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
        switch (TakeLock(lockName)) {
        case TLock::Taken:
            Listen();
            return TStart::First;
        case TLock::Failed:
            return TStart::Unmarked;
        case TLock::Held:
            break;
        }
        // The holder listens a moment after it took the lock.
        if (SendToRunningCopy(message))
            return TStart::HandedOver;
        if (deadline.hasExpired())
            return TStart::Unmarked;
        QThread::msleep(kRetryPauseMs);
    }
}

TSingleInstance::TLock TSingleInstance::TakeLock(const QString& lockName)
{
    const QByteArray path = QFile::encodeName(lockName);
    // The holder removes the file as it lets go; a lock taken on the file
    // just removed is no lock, and the file made next is tried again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int file = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (file < 0)
            return TLock::Failed;
        if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            ::close(file);
            return held ? TLock::Held : TLock::Failed;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(file, &opened) == 0 && ::stat(path.constData(), &named) == 0 && opened.st_dev == named.st_dev
            && opened.st_ino == named.st_ino) {
            // Who holds it, in the lines QLockFile writes, for people and
            // tools that look. Not synced: the lock is the flock, not the
            // text, and a sync costs a start tens of milliseconds on disks.
            const QByteArray holder = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                + QCoreApplication::applicationName().toUtf8() + '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
            if (::ftruncate(file, 0) == 0) {
                const ssize_t written = ::write(file, holder.constData(), std::size_t(holder.size()));
                static_cast<void>(written);
            }
            lockFile_ = file;
            lockPath_ = path;
            return TLock::Taken;
        }
        ::close(file);
    }
    return TLock::Failed;
}

void TSingleInstance::Release()
{
    StopListening();
    if (lockFile_ < 0)
        return;
    // Removed while still locked, so that no later copy takes a lock on a
    // file that is gone (TakeLock checks for that).
    ::unlink(lockPath_.constData());
    ::close(lockFile_);
    lockFile_ = -1;
}

bool TSingleInstance::Listen()
{
    sockaddr_un address;
    if (!SocketAddress(SocketName(), address))
        return false;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    // A socket file left by a copy that ended abnormally would block listening;
    // holding the lock proves no live copy owns it.
    ::unlink(address.sun_path);
    // The folder is the user's own already; the socket is too.
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(address.sun_path, 0600) != 0 || ::listen(socket, SOMAXCONN) != 0) {
        ::close(socket);
        return false;
    }
    listener_ = socket;
    listening_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(listening_.get(), &QSocketNotifier::activated, this, &TSingleInstance::AcceptConnections);
    return true;
}

void TSingleInstance::StopListening()
{
    if (listener_ < 0)
        return;
    listening_.reset();
    ::close(listener_);
    listener_ = -1;
    ::unlink(QFile::encodeName(SocketName()).constData());
}

void TSingleInstance::AcceptConnections()
{
    for (;;) {
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (connection < 0 && errno == EINTR)
            continue;
        if (connection < 0)
            return;
        new TInstanceConnection(connection, [this](int message) { Q_EMIT MessageReceived(message); }, this);
    }
}

bool TSingleInstance::SendToRunningCopy(int message) const
{
    sockaddr_un address;
    if (!SocketAddress(SocketName(), address))
        return false;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    // A copy that takes no more knocks must not hold this start up for long.
    const timeval timeout{kHandOverTimeoutMs / 1000, (kHandOverTimeoutMs % 1000) * 1000};
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const QByteArray line = QByteArray::number(message) + '\n';
    bool sent = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    for (qsizetype written = 0; sent && written < line.size();) {
        const ssize_t count = ::send(socket, line.constData() + written, std::size_t(line.size() - written), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        sent = count > 0;
        written += count;
    }
    ::close(socket);
    return sent;
}
