#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array Handled{SIGTERM, SIGHUP, SIGINT};
int Pipe[2] = {-1, -1};

extern "C" void OnTermination(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(Pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    Notifier_ = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, this);
    connect(Notifier_, &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);
    struct sigaction action = {};
    action.sa_handler = OnTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : Handled)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : Handled)
        ::sigaction(signalNumber, &action, nullptr);
    for (int &fd : Pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

QString TerminationSignals::Describe(int signalNumber)
{
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("Signal SIGTERM (Abmelden, Herunterfahren) erhalten");
    case SIGHUP:
        return QStringLiteral("Signal SIGHUP (Sitzung beendet) erhalten");
    default:
        return QStringLiteral("Signal SIGINT (Strg+C) erhalten");
    }
}

void TerminationSignals::ReadPipe()
{
    unsigned char byte = 0;
    while (::read(Pipe[0], &byte, 1) == 1)
        emit Received(byte);
}
