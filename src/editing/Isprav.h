#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;
class QListWidget;
class QPushButton;

// "Редактировать": corrects the name and serial number of the selected line of the purchase
// panel's item list. OK writes the item back only when something changed.
class Isprav final : public QDialog {
    Q_OBJECT

public:
    // `izdeliya` holds the item strings of `izdelieLst` (name at 2k, serial at 2k+1).
    Isprav(QStringList &izdeliya, QListWidget *izdelieLst, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateDefaultButton();
    void kOK_Click();

    QStringList &m_izdeliya;
    QListWidget *m_izdelieLst;
    int m_e = -1;
    QLineEdit *m_izdelietxt = nullptr;
    QLineEdit *m_serNomertxt = nullptr;
    QPushButton *m_kOK = nullptr;
    QPushButton *m_kCancel = nullptr;
};
