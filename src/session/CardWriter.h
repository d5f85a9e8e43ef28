#pragma once

#include "CardFile.h"
#include "CardHistory.h"
#include "FileError.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class CardSearch;
class KlientIndex;

// Every write of a card, in one place: under the card's lock, the change is made to the card as
// it is now; the bytes it replaces are kept in the card's history; then the folder watch (so that
// this program's own write is not taken for another till's), the search and, when the customer's
// header changed, the customer index follow.
class CardWriter {
public:
    CardWriter(QString bazaPath, const CardHistory &history, KlientIndex &index, CardSearch &search);

    // Told of every write with the card's file name.
    void setOwnWriteNote(std::function<void(const QString &)> note) { m_ownWrite = std::move(note); }

    // What to do with the card as it is now: the new bytes, or none to leave it as it is (with
    // `error` to report). `keepVersion` keeps the replaced bytes, a card whose purchases then number
    // `purchasesAfter`.
    struct Change {
        std::optional<QByteArray> bytes;
        FileError error = FileError::None;
        bool keepVersion = true;
        int purchasesAfter = 0;
    };
    using Changer = std::function<Change(const QByteArray *current)>;
    // Rewrites the card `fileName` under its lock; `before` and `after` receive the bytes replaced
    // and written. On success the watch, the search and, with `header`, the index entry follow.
    [[nodiscard]] FileError rewrite(const QString &fileName, const Changer &change,
                                    QByteArray *before = nullptr, QByteArray *after = nullptr);
    // Writes a new card under the first free name `nameFor` gives, then the watch, the search and
    // the index follow (a new entry at its returned position).
    [[nodiscard]] FileError create(const std::function<QString(int k)> &nameFor, const QByteArray &bytes,
                                   QString *fileName);

    // After a write: the customer's entry in the index as `header` now says (appended when the card
    // has none). Returns the entry's position.
    int setEntry(const QString &fileName, const CardHeader &header, int knownPosition = -1);
    // The search and the watch take the card as it is now; on a refused save too, so that the
    // search shows what the file holds.
    void follow(const QString &fileName, bool ownWrite = true);

private:
    QString m_bazaPath;
    const CardHistory &m_history;
    KlientIndex &m_index;
    CardSearch &m_search;
    std::function<void(const QString &)> m_ownWrite;
};
