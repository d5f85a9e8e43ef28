// The cards' history seen from the session: versions kept by its writes, undo, restoring a version.
#include "CardSession.h"

#include "CardSearch.h"
#include "KlientIndex.h"

void CardSession::keepVersion(safefile::Rewrite &rewrite, const QString &fileName, const QByteArray &replaced,
                              int purchasesAfter) const
{
    rewrite.beforeRename = [this, fileName, replaced, purchasesAfter] {
        return m_history.keep(fileName, replaced, purchasesAfter);
    };
}

FileError CardSession::listVersions(const QString &fileName, QList<ListedVersion> &listed) const
{
    QByteArray now;
    const FileError read = safefile::readFile(m_bazaPath + fileName, now);
    listed.clear();
    if (read != FileError::None && read != FileError::NotFound)
        return read;
    listed = listedVersions(m_history.versions(fileName), now);
    return FileError::None;
}

CardSession::UndoResult CardSession::undo()
{
    UndoResult result;
    if (m_undo.isEmpty())
        return result;
    const UndoStep step = m_undo.last();
    result.fileName = step.fileName;
    QByteArray before, after;
    result.error = safefile::rewriteLocked(m_bazaPath + step.fileName, [&](const QByteArray *current) {
        safefile::Rewrite rewrite;
        if (!current) {
            rewrite.result = FileError::NotFound;
            return rewrite;
        }
        Card card = cardfile::parse(*current);
        QList<TovarCls> &p = card.pokupki;
        if (!step.after) {
            p.insert(std::min(step.row, int(p.size())), step.before); // a deleted purchase comes back
        } else {
            // The corrected purchase where it was, or wherever deletions moved it.
            const qsizetype at =
                step.row < p.size() && p[step.row] == *step.after ? step.row : p.indexOf(*step.after);
            if (at < 0) {
                result.changedElsewhere = true;
                return rewrite;
            }
            p[at] = step.before;
        }
        before = *current;
        after = cardfile::serialize(card);
        rewrite.write = true;
        rewrite.data = after;
        keepVersion(rewrite, step.fileName, before, int(p.size()));
        return rewrite;
    });
    // A step that cannot be applied any more is dropped; one that failed to write may be tried again.
    if (result.error == FileError::None || result.error == FileError::NotFound)
        m_undo.removeLast();
    if (result.error == FileError::None && !result.changedElsewhere)
        result.openCardChanged = tookOwnRewrite(step.fileName, before, after);
    return result;
}

CardSession::RestoreResult CardSession::restoreVersion(const QString &fileName, const CardVersion &version)
{
    RestoreResult result;
    QByteArray before, after;
    result.error = safefile::rewriteLocked(m_bazaPath + fileName, [&](const QByteArray *current) {
        safefile::Rewrite rewrite;
        const QList<CardVersion> versions = m_history.versions(fileName);
        qsizetype i = versions.size() - 1;
        while (i >= 0 && !(versions[i].replaced == version.replaced && versions[i].bytes == version.bytes))
            --i;
        if (i < 0) {
            rewrite.result = FileError::NotFound; // pruned meanwhile
            return rewrite;
        }
        // The sales appended after each write since that version, as far as they are still there.
        QList<TovarCls> appended;
        for (qsizetype k = i + 1; k < versions.size(); ++k)
            appended += cardfile::parse(versions[k].bytes).pokupki.mid(versions[k - 1].purchasesAfter);
        before = current ? *current : QByteArray();
        const Card now = cardfile::parse(before);
        appended += now.pokupki.mid(versions.last().purchasesAfter);
        Card card = cardfile::parse(version.bytes);
        for (const TovarCls &p : now.pokupki) {
            if (appended.removeOne(p)) {
                card.pokupki.append(p);
                ++result.kept;
            }
        }
        after = cardfile::serialize(card);
        rewrite.write = true;
        rewrite.data = after;
        if (current)
            keepVersion(rewrite, fileName, before, int(card.pokupki.size()));
        return rewrite;
    });
    if (result.error == FileError::None)
        result.openCardChanged = tookOwnRewrite(fileName, before, after);
    return result;
}

bool CardSession::tookOwnRewrite(const QString &fileName, const QByteArray &before, const QByteArray &after)
{
    if (m_ownWrite)
        m_ownWrite(fileName);
    m_search.refreshFile(fileName);
    const Card card = cardfile::parse(after);
    if (const int entry = m_index.findFile(fileName); entry >= 0)
        m_index.setEntry(entry, makeKlientRec(fileName, card.header.familiya, card.header.imya,
                                              card.header.otchestvo, card.header.telDom, card.header.telRab));
    if (fileName != m_curFile)
        return false;
    // The open card as this program knew it: it now shows what was written. Otherwise it is
    // left as it was, and the next save speaks of the change.
    QList<TovarCls> added;
    if (before != m_known && !onlyAppended(m_known, before, &added))
        return false;
    m_known = after;
    m_purchases.setPurchases(card.pokupki);
    if (!m_cardChanged)
        m_header = card.header;
    if (m_newMode)
        m_pokupkaNum = int(Pokupki().size()); // the caller takes a shown purchase back to the new one
    return true;
}
