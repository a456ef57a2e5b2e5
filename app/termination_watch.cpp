#include "app/termination_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace {
// One watch at a time: the program's, or a test's.
int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost by dropping this one.
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
    errno = saved;
}
}  // namespace

TerminationWatch::TerminationWatch(QObject* parent) : QObject(parent) {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // no watch: the signals keep their default
    m_pNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &TerminationWatch::Drain);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &m_oldTerm);
    sigaction(SIGHUP, &action, &m_oldHup);
}

TerminationWatch::~TerminationWatch() {
    if (!m_pNotifier) return;
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    sigaction(SIGHUP, &m_oldHup, nullptr);
    delete m_pNotifier;
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TerminationWatch::Drain() {
    char bytes[64];
    while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    emit requested();
}
