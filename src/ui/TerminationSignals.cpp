#include "ui/TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace kolvane::ui {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// [0] is written by the handler, [1] read by the notifier.
int signalSockets[2] = {-1, -1};

void WriteSignalByte(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full socket already holds a wake-up; the byte may go.
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    errno = savedErrno;
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return; // the signals keep their default actions
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);
    SetHandler(&WriteSignalByte);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    SetHandler(SIG_DFL);
    delete notifier_;
    for (int& socket : signalSockets)
        ::close(std::exchange(socket, -1));
}

// UI thread: several signals before the loop comes round make one call.
void TerminationSignals::Drain() {
    char bytes[64];
    while (::read(signalSockets[1], bytes, sizeof bytes) > 0) {
    }
    onSignal_();
}

} // namespace kolvane::ui
