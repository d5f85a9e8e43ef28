// The cards' history seen from the session: versions kept by its writes, undo, restoring a version.
#include "CardSession.h"

#include "KlientIndex.h"
#include "SafeFile.h"

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
    result.error = m_writer.rewrite(
        step.fileName,
        [&](const QByteArray *current) {
            CardWriter::Change change;
            if (!current) {
                change.error = FileError::NotFound;
                return change;
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
                    return change;
                }
                p[at] = step.before;
            }
            change.bytes = cardfile::serialize(card);
            change.purchasesAfter = int(p.size());
            return change;
        },
        &before, &after);
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
    result.error = m_writer.rewrite(
        fileName,
        [&](const QByteArray *current) {
            CardWriter::Change change;
            const QList<CardVersion> versions = m_history.versions(fileName);
            qsizetype i = versions.size() - 1;
            while (i >= 0 &&
                   !(versions[i].replaced == version.replaced && versions[i].bytes == version.bytes))
                --i;
            if (i < 0) {
                change.error = FileError::NotFound; // pruned meanwhile
                return change;
            }
            // The sales appended after each write since that version, as far as they are still there.
            QList<TovarCls> appended;
            for (qsizetype k = i + 1; k < versions.size(); ++k)
                appended += cardfile::parse(versions[k].bytes).pokupki.mid(versions[k - 1].purchasesAfter);
            const Card now = cardfile::parse(current ? *current : QByteArray());
            appended += now.pokupki.mid(versions.last().purchasesAfter);
            Card card = cardfile::parse(version.bytes);
            for (const TovarCls &p : now.pokupki) {
                if (appended.removeOne(p)) {
                    card.pokupki.append(p);
                    ++result.kept;
                }
            }
            change.bytes = cardfile::serialize(card);
            change.purchasesAfter = int(card.pokupki.size());
            return change;
        },
        &before, &after);
    if (result.error == FileError::None)
        result.openCardChanged = tookOwnRewrite(fileName, before, after);
    return result;
}

bool CardSession::tookOwnRewrite(const QString &fileName, const QByteArray &before, const QByteArray &after)
{
    const Card card = cardfile::parse(after);
    if (m_index.findFile(fileName) >= 0)
        m_writer.setEntry(fileName, card.header);
    if (fileName != m_curFile)
        return false;
    // The open card as this program knew it: it now shows what was written. Otherwise it is
    // left as it was, and the next save speaks of the change.
    if (!m_conflict.rewroteHere(before, after))
        return false;
    m_purchases.setPurchases(card.pokupki);
    if (!m_cardChanged)
        m_header = card.header;
    if (NewMode())
        m_panel.setPokupkaNum(int(Pokupki().size())); // the caller takes a shown purchase back to the new one
    return true;
}
