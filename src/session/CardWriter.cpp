#include "CardWriter.h"

#include "CardSearch.h"
#include "KlientIndex.h"
#include "SafeFile.h"

CardWriter::CardWriter(QString bazaPath, const CardHistory &history, KlientIndex &index, CardSearch &search)
    : m_bazaPath(std::move(bazaPath)), m_history(history), m_index(index), m_search(search)
{
}

FileError CardWriter::rewrite(const QString &fileName, const Changer &change, QByteArray *before,
                              QByteArray *after)
{
    QByteArray replaced, written;
    bool wrote = false;
    const FileError error = safefile::rewriteLocked(m_bazaPath + fileName, [&](const QByteArray *current) {
        safefile::Rewrite rewrite;
        const Change c = change(current);
        if (!c.bytes) {
            rewrite.result = c.error;
            return rewrite;
        }
        replaced = current ? *current : QByteArray();
        written = *c.bytes;
        wrote = true;
        rewrite.write = true;
        rewrite.data = written;
        if (current && c.keepVersion && *current != written)
            rewrite.beforeRename = [this, fileName, replaced, purchasesAfter = c.purchasesAfter] {
                return m_history.keep(fileName, replaced, purchasesAfter);
            };
        return rewrite;
    });
    if (error == FileError::None && wrote) {
        follow(fileName);
        if (before)
            *before = replaced;
        if (after)
            *after = written;
    }
    return error;
}

FileError CardWriter::create(const std::function<QString(int k)> &nameFor, const QByteArray &bytes,
                             QString *fileName)
{
    const FileError error = safefile::createNew(m_bazaPath, nameFor, bytes, fileName);
    if (error == FileError::None)
        follow(*fileName);
    return error;
}

int CardWriter::setEntry(const QString &fileName, const CardHeader &header, int knownPosition)
{
    int position = knownPosition;
    if (position < 0 || position >= m_index.KlientCount() || m_index.at(position).FileName != fileName)
        position = m_index.findFile(fileName); // a rescan moved the entries
    if (position < 0)
        position = m_index.append({});
    m_index.setEntry(position, makeKlientRec(fileName, header.familiya, header.imya, header.otchestvo,
                                             header.telDom, header.telRab));
    return position;
}

void CardWriter::follow(const QString &fileName, bool ownWrite)
{
    if (ownWrite && m_ownWrite)
        m_ownWrite(fileName);
    m_search.refreshFile(fileName);
}
