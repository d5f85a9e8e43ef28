#pragma once

#include "KlientIndex.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/stat.h>

namespace bazascan {

// The card files of the data folder: ordinary files whose names end in ".dat" (any letter case),
// hidden files, folders and links left out, sorted by name so that positions are the same on
// every scan. A missing folder lists nothing.
QStringList listCardFiles(const QString &bazaPath);

// Visits every card file of listCardFiles(), unsorted, with its status (links are not followed);
// the name is the file system's own bytes. Returns false when the folder cannot be opened.
bool forEachCardStatus(const QString &bazaPath,
                       const std::function<void(const char *, const struct stat &)> &visit);

// Reads every card file of listCardFiles() whole and hands its bytes (valid only during the call)
// to `visit`; a card that cannot be read is left out. The list is cut into `parts` runs of
// consecutive cards read side by side, each in a thread of its own: `visit` gets the number of
// the run, is called from that run's thread and sees its cards in list order. Stops when `visit`
// returns false, and then returns false.
bool forEachCard(const QString &bazaPath, int parts,
                 const std::function<bool(int, const QString &, QByteArrayView)> &visit);

// The index entry of one card from the start of its file; lines past the end are empty.
KlientRec recordFromBytes(const QString &fileName, QByteArrayView bytes);

// Reads the first five lines of the card; a card that cannot be read still gets its entry.
// `gone` tells whether the card's file is not there at all.
KlientRec readRecord(const QString &bazaPath, const QString &fileName, bool *gone = nullptr);

// The whole index of the folder.
// `progress`, when given, hears now and then (on the calling thread) how many of how many cards
// were read.
using ScanProgress = std::function<void(qsizetype read, qsizetype total)>;
QList<KlientRec> scan(const QString &bazaPath, const ScanProgress &progress = {});

} // namespace bazascan
