#pragma once

#include <QElapsedTimer>
#include <QWidget>

class CloseButton;
class CustomerBase;
class QKeyEvent;
class QLabel;
class QListView;
class QPushButton;

// The customer list panel laid over the card area: every customer of the base, numbered in
// alphabetical order of full names, with the count and the selected customer's phones and file.
// When the list changes without a rescan it keeps the selected customer, its scroll and the focus
// (a refill moves no focus).
class UsrForma final : public QWidget {
    Q_OBJECT

public:
    explicit UsrForma(CustomerBase &base, QWidget *parent = nullptr);

    // "Обновить": rescans the data folder.
    void LoadBaza();
    int SelIndex() const { return m_selIndex; }
    QListView *fioList() const { return m_fioLst; }

signals:
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
    void notePlace();
    void listRefilled();
    // Type-to-find: letters typed in the list select the first customer whose name starts with them.
    bool typeToFind(const QKeyEvent *key);
    void placeDetailValues();

    CustomerBase &m_base;
    int m_selIndex = 0;
    // Where the list was before it was refilled: the selected customer, the first one shown.
    bool m_hadSelection = false;
    int m_topPosition = -1;
    int m_scroll = 0;
    QString m_typed;
    QElapsedTimer m_typedAt;

    QLabel *m_vsegoLbl = nullptr;
    CloseButton *m_close1 = nullptr;
    QListView *m_fioLst = nullptr;
    QLabel *m_telTxt1 = nullptr;
    QLabel *m_telTxt2 = nullptr;
    QLabel *m_fileTxt = nullptr;
    QPushButton *m_reLoad = nullptr;
};
