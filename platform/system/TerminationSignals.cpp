#include "platform/system/TerminationSignals.h"

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};

// The pipe's write end, for the handler; -1 while no object listens.
std::atomic<int> signalPipe{-1};

void SetAction(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    signalPipe = Pipe[1];
    Notifier = std::make_unique<QSocketNotifier>(Pipe[0], QSocketNotifier::Read);
    connect(Notifier.get(), &QSocketNotifier::activated, this, &TTerminationSignals::ReadSignal);
    Reclaim();
}

TTerminationSignals::~TTerminationSignals()
{
    for (const int signal : kSignals)
        SetAction(signal, SIG_DFL);
    signalPipe = -1;
    Notifier.reset();
    for (const int end : Pipe)
        if (end >= 0)
            ::close(end);
}

void TTerminationSignals::Reclaim()
{
    if (signalPipe < 0)
        return;
    for (const int signal : kSignals)
        SetAction(signal, &TTerminationSignals::Handle);
}

void TTerminationSignals::Handle(int signal)
{
    // Only what is safe in a signal handler: a write and the default action
    // back for the next one.
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (const int pipe = signalPipe; pipe >= 0) {
        // A full pipe already holds a signal to act on.
        const ssize_t written = ::write(pipe, &number, 1);
        static_cast<void>(written);
    }
    SetAction(signal, SIG_DFL);
    errno = savedErrno;
}

void TTerminationSignals::ReadSignal()
{
    unsigned char number = 0;
    while (::read(Pipe[0], &number, 1) == 1)
        Q_EMIT Requested(number);
}
