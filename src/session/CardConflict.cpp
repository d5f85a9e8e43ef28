#include "CardConflict.h"

#include "CardFile.h"

bool CardConflict::onlyAppended(const QByteArray &base, const QByteArray &now, QList<TovarCls> *added)
{
    if (!now.startsWith(base))
        return false;
    const Card before = cardfile::parse(base);
    const Card card = cardfile::parse(now);
    if (card.header != before.header || card.pokupki.mid(0, before.pokupki.size()) != before.pokupki)
        return false;
    *added = card.pokupki.mid(before.pokupki.size());
    return true;
}

void CardConflict::take(QByteArray bytes)
{
    m_known = std::move(bytes);
    m_told = Told::Nothing;
    m_change = {};
}

bool CardConflict::isToldOf(const QByteArray &now) const
{
    return m_told != Told::Nothing && !m_change.gone && m_change.bytes == now;
}

CardConflict::Found CardConflict::look(const QByteArray *now, QList<TovarCls> *added)
{
    added->clear();
    if (!now) {
        m_seen = {true, {}};
        return isToldGone() ? Found::Nothing : Found::Gone;
    }
    if (*now == m_known || isToldOf(*now))
        return Found::Nothing; // nothing new, or only what the operator was told of
    if (onlyAppended(m_known, *now, added)) {
        m_known = *now;
        return Found::Appended;
    }
    // Sales another till adds after the operator was told of a change stay theirs to keep.
    if (m_told != Told::Nothing && !m_change.gone && onlyAppended(m_change.bytes, *now, added)) {
        m_change.bytes = *now;
        return Found::Appended;
    }
    added->clear();
    m_seen = {false, *now};
    return Found::Changed;
}

void CardConflict::tellSeen()
{
    m_change = m_seen;
    m_told = Told::OfChange;
}

bool CardConflict::mayWriteOver(const QByteArray *current, QList<TovarCls> *appended)
{
    appended->clear();
    // What may be written over: the card as this program knows it, or, by the operator's choice,
    // the change elsewhere that the operator was told of; only whole purchases added at the end
    // since then are someone else's work to keep.
    const bool overwriting = m_told == Told::OverwriteNext;
    bool may = false;
    if (!current)
        may = overwriting && m_change.gone;
    else if (*current == m_known || onlyAppended(m_known, *current, appended))
        may = true;
    else if (overwriting && !m_change.gone)
        may = m_change.bytes == *current || onlyAppended(m_change.bytes, *current, appended);
    if (!may) {
        appended->clear();
        m_seen = current ? Change{false, *current} : Change{true, {}};
        // The next save writes over what the operator is told of here, and over nothing else.
        m_change = m_seen;
        m_told = Told::OverwriteNext;
    }
    return may;
}

void CardConflict::appendedHere(const QByteArray &before, const QByteArray &after, QList<TovarCls> *added)
{
    added->clear();
    // Whichever state the card was in moves past this sale; a card changed otherwise stays a conflict.
    if (before != m_known) {
        if (onlyAppended(m_known, before, added))
            m_known = before;
        else if (m_told != Told::Nothing && !m_change.gone && onlyAppended(m_change.bytes, before, added))
            m_change.bytes = before;
        else
            added->clear();
    }
    if (before == m_known)
        m_known = after;
    else if (isToldOf(before))
        m_change.bytes = after;
}

bool CardConflict::rewroteHere(const QByteArray &before, const QByteArray &after)
{
    QList<TovarCls> added;
    if (before != m_known && !onlyAppended(m_known, before, &added))
        return false;
    m_known = after;
    return true;
}
