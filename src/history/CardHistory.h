#pragma once

#include "FileError.h"
#include "UniqueFd.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// An earlier content of a card: what a write replaced, and when.
struct CardVersion {
    QDateTime replaced; // UTC
    QByteArray bytes;
    // How many purchases the write that replaced it left in the card: the sales past them were
    // appended afterwards, by this till or another.
    int purchasesAfter = 0;
};

// Every card's earlier contents, kept in the hidden folder ".history" of the data folder (the
// customer scan never looks there): one file per card, "<card file>.v", to which each version is
// added at the end. A version is kept before the write that replaces it, under the card's lock:
// after a kill at any moment the card is old, or new with its old content in its history.
class CardHistory {
public:
    explicit CardHistory(QString bazaPath);

    // Keeps `replaced` as the newest version of `cardFile`, then prunes it by the rule below.
    // None, Planted (a link or a stranger's file in the history folder's place), or NotKept.
    [[nodiscard]] FileError keep(const QString &cardFile, const QByteArray &replaced, int purchasesAfter,
                                 const QDateTime &now = QDateTime::currentDateTimeUtc()) const;

    // The versions of `cardFile`, oldest first; none when it has no history or it cannot be read.
    QList<CardVersion> versions(const QString &cardFile) const;

    // What pruning keeps: every version of the last kKeepDays days, and at least the newest
    // kKeepAtLeast versions, as far as the newest ones together stay within kMaxBytes (the newest
    // always stays): a history must never grow too large to be read, or its card could not be
    // written any more.
    static constexpr int kKeepDays = 90;
    static constexpr int kKeepAtLeast = 20;
    static constexpr qint64 kMaxBytes = 32 * 1024 * 1024;
    static QList<CardVersion> pruned(QList<CardVersion> versions, const QDateTime &now);

    // The history file's format, for reading and writing it: versions one after another, each a
    // line "V <replaced, ms since 1970 UTC> <bytes> <purchases after>" and the bytes. A torn end
    // (a write killed half-way on a file system that allowed it) ends the list.
    static QList<CardVersion> parse(const QByteArray &file);
    static QByteArray serialize(const QList<CardVersion> &versions);

    // The history folder's path, for messages.
    QString folder() const;
    // Removes what killed writes left in the history folder.
    int removeLeftovers() const;

    // The times a version may carry: from 1970 to the year 9999.
    static constexpr qint64 kEarliestMs = 0;
    static constexpr qint64 kLatestMs = 253402300799999;

private:
    static QByteArray fileFor(const QString &cardFile);
    // Opens the history folder (made when missing, with `create`).
    FileError openFolder(bool create, UniqueFd &history) const;
    QString m_bazaPath;
};
