#pragma once

#include "UniqueFd.h"

#include <array>
#include <csignal>
#include <memory>

class QSocketNotifier;
class QWidget;

// Ends the program the normal way when the system asks it to: on SIGTERM (shutdown, kill) or
// SIGHUP (the terminal went) the window closes as on "Выход", so "Товары.txt" is written. The
// signal handler only writes a byte to a pipe; the window is closed from the event loop. One
// instance at a time; the former handlers come back when it goes.
class ExitSignals {
public:
    explicit ExitSignals(QWidget &window);
    ~ExitSignals();
    ExitSignals(const ExitSignals &) = delete;
    ExitSignals &operator=(const ExitSignals &) = delete;

    // For the whole process: a write past the file-size limit then fails with an error the
    // program reports (EFBIG) instead of killing it.
    static void ignoreFileSizeLimitSignal();

private:
    static constexpr std::array<int, 2> kSignals{SIGTERM, SIGHUP};

    UniqueFd m_readEnd;
    UniqueFd m_writeEnd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::array<struct sigaction, kSignals.size()> m_former{};
};
