#pragma once

#include "FileLock.h"

#include <QString>

#include <optional>

// This program's mark on the data folder for its whole run, shared with every other till on the
// same base; taken alone only to replace the base with a backup, while no other till runs.
class BasePresence {
public:
    explicit BasePresence(QString bazaPath);

    // Another program holds the base alone: it is replacing it with a backup right now.
    static bool heldAloneElsewhere(const QString &bazaPath);

    enum class Alone { Taken, OthersRun, NoFolder };
    // Leaves the other tills' company for the base alone, or stays among them when that cannot be.
    Alone takeAlone();
    // Back among the other tills after being alone.
    void rejoin();
    bool isAlone() const { return m_alone; }

private:
    QString m_lockPath;
    std::optional<FileLock> m_lock;
    bool m_alone = false;
};
