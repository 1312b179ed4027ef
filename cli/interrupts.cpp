#include "cli/interrupts.h"

#include <QSocketNotifier>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace yz::cli {

#ifdef Q_OS_WIN

namespace {
Interrupts *g_instance = nullptr;

// Runs on a thread of the console; the queued call hands the event to the loop.
BOOL WINAPI onConsoleEvent(DWORD type) {
    if (!g_instance)
        return FALSE;
    const bool terminate = type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT;
    QMetaObject::invokeMethod(
        g_instance, [terminate] { Q_EMIT g_instance->interrupted(terminate); }, Qt::QueuedConnection);
    return TRUE;
}
} // namespace

Interrupts::Interrupts(QObject *parent) : QObject(parent) {
    g_instance = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

Interrupts::~Interrupts() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_instance = nullptr;
}

void Interrupts::readPipe() {}

#else

namespace {
int g_pipe[2] = {-1, -1};
pid_t g_owner = 0;

void onSignal(int signo) {
    // A tool being started is a copy of this process until it runs the tool; a Ctrl+C that
    // reaches it then must not count as a second one of ours (it would end the run at once).
    if (::getpid() != g_owner)
        return;
    const int saved = errno;
    const char byte = signo == SIGINT ? 'i' : 't';
    // The pipe never fills in practice; a lost byte when it does is harmless.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void install(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
} // namespace

Interrupts::Interrupts(QObject *parent) : QObject(parent) {
    if (::pipe(g_pipe) != 0)
        return;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC); // the tool processes must not inherit it
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Interrupts::readPipe);
    g_owner = ::getpid();
    install(onSignal);
}

Interrupts::~Interrupts() {
    if (g_pipe[0] < 0)
        return;
    install(SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void Interrupts::readPipe() {
    char bytes[16];
    ssize_t n;
    while ((n = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            Q_EMIT interrupted(bytes[i] == 't');
    }
}

#endif

} // namespace yz::cli
