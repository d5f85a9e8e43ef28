#pragma once

#include "FileError.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

// Called now and then with `done` of `total` steps, on the thread that runs the work (never from
// the reading threads beside it); returning false cancels. As backup::Progress.
using ReportProgress = std::function<bool(qint64 done, qint64 total)>;

// One reading of every card of the data folder for the owner's reports, as the customer scan
// reads them: the folder opened through no link a member of the group put on its way, the cards
// ordinary files named "*.dat" (hidden ones left out), each opened relative to the folder, never
// through a link, never waiting on a pipe, at most safefile::kMaxFileBytes read. The cards are
// sorted by name and read in runs side by side, each run's `visit` called from its own thread with
// its cards in that order (the first run on the calling thread).
struct CardPass {
    static constexpr int kMaxParts = 4;

    FileError error = FileError::None; // the folder could not be opened or listed
    bool cancelled = false;
    int parts = 1;     // runs read side by side; visit's first argument is below this
    qint64 listed = 0; // card files the folder lists
    qint64 unread = 0; // of them, those that could not be read (gone, locked away, too big)

    // `progress` hears the cards read of the cards listed.
    static CardPass
    run(const QString &bazaPath,
        const std::function<void(int part, const QString &fileName, QByteArrayView bytes)> &visit,
        const ReportProgress &progress);
};
