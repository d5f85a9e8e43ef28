#pragma once

#include "TovarCls.h"

#include <QByteArray>
#include <QList>

// What this program knows of the open card's file, and what another hand (a second till, a
// program outside) did to it since. One state says what the operator was told and what the next
// save may write over; everything else is a conflict the save refuses.
class CardConflict {
public:
    // A change made elsewhere: the file's bytes then, or that it was gone.
    struct Change {
        bool gone = false;
        QByteArray bytes;
    };
    enum class Told {
        Nothing,       // the file is as this program last read or wrote it, or holds sales added since
        OfChange,      // the operator was told of `change()` (the card is shown as typed, not reloaded)
        OverwriteNext, // a save was refused over `change()`: the next save writes over it, and over
                       // nothing else
    };

    // The card's bytes as this program has just read or written them; nothing told.
    void take(QByteArray bytes);
    // No card open.
    void clear() { take({}); }

    const QByteArray &known() const { return m_known; }
    Told told() const { return m_told; }
    const Change &change() const { return m_change; }
    const Change &seen() const { return m_seen; }
    // True when `now` are the bytes of the change the operator was told of.
    bool isToldOf(const QByteArray &now) const;
    bool isToldGone() const { return m_told != Told::Nothing && m_change.gone; }

    // What the file holds now (null: gone), set against what this program knows.
    enum class Found { Nothing, Appended, Changed, Gone };
    // Sales only appended since (by another till) are taken at once into `added`, and the state moves
    // past them; a change already told of is Nothing. Any other change is remembered as seen.
    Found look(const QByteArray *now, QList<TovarCls> *added);
    // The operator was told of the change last seen.
    void tellSeen();

    // May a save write the card over `current` (null: gone)? The purchases appended since by
    // another till, to keep after ours, go to `appended`. A refusal remembers what it saw: the
    // next save writes over exactly that.
    bool mayWriteOver(const QByteArray *current, QList<TovarCls> *appended);
    // The save wrote `bytes`: back in step, nothing told.
    void written(QByteArray bytes) { take(std::move(bytes)); }

    // This program appended a sale to the card outside a save, the file going from `before` to
    // `after`; sales another till appended before it go to `added`.
    void appendedHere(const QByteArray &before, const QByteArray &after, QList<TovarCls> *added);
    // This program rewrote the card outside a save (undo, a version restored). True when the card
    // was as this program knew it, or only had sales appended: it is then in step with `after`.
    bool rewroteHere(const QByteArray &before, const QByteArray &after);

    // True when `now` is `base` with whole purchases added at its end (the work of another till's
    // sales); `added` receives them.
    static bool onlyAppended(const QByteArray &base, const QByteArray &now, QList<TovarCls> *added);

private:
    QByteArray m_known; // the card's bytes as this program last read or wrote them
    Told m_told = Told::Nothing;
    Change m_change; // what the operator was told of
    Change m_seen;   // the last change found, told or not
};
