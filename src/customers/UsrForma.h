#pragma once

#include "FioListModel.h"
#include "KlientIndex.h"

#include <QWidget>

class CloseButton;
class QLabel;
class QListView;
class QPushButton;

// The customer list panel laid over the card area: every card of the data folder, numbered in
// alphabetical order of full names, with the count and the selected customer's phones and file.
// It owns the customer index.
class UsrForma final : public QWidget {
    Q_OBJECT

public:
    explicit UsrForma(const QString &bazaPath, QWidget *parent = nullptr);

    // Rescans the data folder into the index and refills the list.
    void LoadBaza();
    // Refills the list and the count from the index, without reading any card. Removed cards are
    // not listed.
    void ReFIO();
    // Takes in the cards another hand added, changed or removed without a rescan: every other entry
    // keeps its position, and the list keeps the selected customer, its scroll and the focus
    // (a refill moves no focus). Each card is taken as it is on disk now, whichever list names it,
    // so changes held back may simply be joined.
    void applyCardChanges(const QStringList &added, const QStringList &changed, const QStringList &removed);

    KlientIndex &index() { return m_index; }
    const KlientIndex &index() const { return m_index; }
    int SelIndex() const { return m_selIndex; }
    QListView *fioList() const { return m_fioLst; }

signals:
    // The folder was scanned again.
    void loaded();
    // The entries of these card files changed without a rescan.
    void indexChanged(const QStringList &fileNames);
    void hideRequested();
    void openRequested(int position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void selectionChanged();
    void openSelected();
    void clearDetails();
    void refillKeepingPlace();

    QString m_bazaPath;
    KlientIndex m_index;
    FioListModel m_model;
    int m_selIndex = 0;

    QLabel *m_vsegoLbl = nullptr;
    CloseButton *m_close1 = nullptr;
    QListView *m_fioLst = nullptr;
    QLabel *m_telTxt1 = nullptr;
    QLabel *m_telTxt2 = nullptr;
    QLabel *m_fileTxt = nullptr;
    QPushButton *m_reLoad = nullptr;
};
