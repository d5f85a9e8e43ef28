#pragma once

#include <QList>
#include <QString>

// Start-up as the operator sees it: a fresh process that builds the main window the way the
// program's main() does, with its data folder indexed, until the window is shown.
namespace probe {

struct StartUp {
    bool ok = false;
    double shownSecs = 0;  // from before the process was spawned to the window shown
    double readySecs = 0;  // ... to the search having read every card in the background
    double closedSecs = 0; // the main window destroyed, as when the operator closes it
    qint64 hwmShownKb = 0; // peak resident memory when the window is shown
    qint64 hwmReadyKb = 0; // peak resident memory once the search has read every card
    qint64 hwmDailyKb = 0; // ... and, on the first start of a day, the automatic backup was made
    int count = 0;         // customers in the index
    // When the probe reached main(), had its QApplication, had built the main window.
    struct Phase {
        QString name;
        double secs;
    };
    QList<Phase> phases;
};

// Spawns this program again in probe mode, headless, and reads its report. As the first start of
// a day, the automatic backup is made beside the search's reading, as main() starts it.
StartUp measure(const QString &baza, const QString &goods, bool firstOfDay = false);

// The probe's side: argv is "<program> --probe <baza> <goods> [daily]". Prints its report to stdout.
int run(int argc, char **argv);

// Peak resident memory of this process so far (VmHWM), in kB.
qint64 peakRssKb();

} // namespace probe
