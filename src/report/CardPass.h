#pragma once

#include "FileError.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

// Called now and then with `done` of `total` steps, on the thread that runs the work (never from
// the reading threads beside it); returning false cancels. As backup::Progress.
using ReportProgress = std::function<bool(qint64 done, qint64 total)>;

// One reading of every card of the data folder, for the owner's reports: the cards are read side
// by side in runs (bazascan::forEachCard: no link followed, sizes bounded), each run's `visit`
// called from its own thread with its cards in list order.
struct CardPass {
    static constexpr int kMaxParts = 4;

    FileError error = FileError::None; // the folder could not be opened
    bool cancelled = false;
    int parts = 1;     // runs read side by side; visit's first argument is below this
    qint64 listed = 0; // card files the folder lists
    qint64 unread = 0; // of them, those that could not be read (gone, locked away, too big)

    // `progress` hears cards read of `progressTotal` (0: of the cards listed); its steps are the
    // first `listed` of them.
    static CardPass
    run(const QString &bazaPath,
        const std::function<void(int part, const QString &fileName, QByteArrayView bytes)> &visit,
        const ReportProgress &progress, qint64 progressTotal = 0);
};
