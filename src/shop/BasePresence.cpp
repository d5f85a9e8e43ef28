#include "BasePresence.h"

#include <cerrno>

BasePresence::BasePresence(QString bazaPath)
    : m_lockPath(lockFileOf(bazaPath)), m_lock(FileLock::presence(m_lockPath, false))
{
}

bool BasePresence::heldAloneElsewhere(const QString &bazaPath)
{
    return !FileLock::presence(lockFileOf(bazaPath), false) && errno == EWOULDBLOCK;
}

BasePresence::Alone BasePresence::takeAlone()
{
    m_lock.reset();
    m_lock = FileLock::presence(m_lockPath, true);
    if (m_lock) {
        m_alone = true;
        return Alone::Taken;
    }
    const bool othersRun = errno == EWOULDBLOCK;
    rejoin();
    return othersRun ? Alone::OthersRun : Alone::NoFolder;
}

void BasePresence::rejoin()
{
    m_lock.reset();
    m_alone = false;
    m_lock = FileLock::presence(m_lockPath, false);
}
