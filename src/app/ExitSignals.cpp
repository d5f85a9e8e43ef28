#include "ExitSignals.h"

#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The pipe's write end while an ExitSignals is active, else -1.
volatile sig_atomic_t wakeFd = -1;

void onExitSignal(int)
{
    const int savedErrno = errno; // the interrupted code may be about to read it
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd, &byte, 1); // a full pipe already wakes
    errno = savedErrno;
}

} // namespace

ExitSignals::ExitSignals(QWidget &window)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_readEnd = UniqueFd(ends[0]);
    m_writeEnd = UniqueFd(ends[1]);
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd.get(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &window, [this, &window] {
        char drained[64];
        while (::read(m_readEnd.get(), drained, sizeof drained) > 0) {
        }
        window.close();
    });

    wakeFd = m_writeEnd.get();
    struct sigaction action {};
    action.sa_handler = onExitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &m_former[i]);
}

ExitSignals::~ExitSignals()
{
    if (!m_notifier)
        return; // no pipe could be made: the signals kept their former action
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &m_former[i], nullptr);
    wakeFd = -1;
}

void ExitSignals::ignoreFileSizeLimitSignal()
{
    ::signal(SIGXFSZ, SIG_IGN);
}
