#pragma once

#include "FioListModel.h"
#include "KlientIndex.h"

#include <QObject>
#include <QStringList>

#include <functional>

// The customers of the data folder as the program holds them: the index of every card and the
// customer list's model in alphabetical order. Whoever changes the index tells it here, and the
// list and the views follow.
class CustomerBase final : public QObject {
    Q_OBJECT

public:
    explicit CustomerBase(QString bazaPath, QObject *parent = nullptr);

    const QString &bazaPath() const { return m_bazaPath; }
    KlientIndex &index() { return m_index; }
    const KlientIndex &index() const { return m_index; }
    // Every customer whose card is there, in list order.
    FioListModel &list() { return m_list; }
    const FioListModel &list() const { return m_list; }

    // Rescans the data folder into the index and lists it afresh: positions change meaning.
    void LoadBaza(const std::function<void(qsizetype read, qsizetype total)> &progress = {});
    bool isLoading() const { return m_loading; }
    // Lists the index again in alphabetical order, without reading any card; removed cards are
    // not listed.
    void ReFIO();
    // The index entries of these cards were rewritten by the program: the list follows.
    void entriesChanged(const QStringList &fileNames);
    // Takes in the cards another hand added, changed or removed, each as it is on disk now, without
    // a rescan: every other entry keeps its position. Tells how many of each there were.
    struct Taken {
        int added = 0;
        int changed = 0;
        int removed = 0;
    };
    Taken takeCards(QStringList fileNames);

signals:
    // The folder was scanned again.
    void loaded();
    // The entries of these card files changed without a rescan.
    void changed(const QStringList &fileNames);

private:
    QString m_bazaPath;
    KlientIndex m_index;
    FioListModel m_list;
    bool m_loading = false;
};
