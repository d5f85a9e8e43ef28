#pragma once

#include "Shop.h"
#include "VersionList.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListView;
class QListWidget;
class QPushButton;

// "Прежние версии": the open card's earlier versions, newest first, with what each write changed;
// the chosen version's purchases below; "Восстановить" makes it the card again.
class VersionsDialog final : public QDialog {
    Q_OBJECT

public:
    // `restored` runs after a version was written back, for the main window to follow.
    VersionsDialog(Shop &shop, QString fileName,
                   std::function<void(const CardSession::RestoreResult &)> restored,
                   QWidget *parent = nullptr);

private:
    void fill();
    void showVersion(int row);
    void restore();

    Shop &m_shop;
    QString m_fileName;
    std::function<void(const CardSession::RestoreResult &)> m_restored;
    VersionListModel m_versions;
    QListView *m_list;
    QListWidget *m_purchases;
    QLabel *m_note;
    QPushButton *m_restore;
};
