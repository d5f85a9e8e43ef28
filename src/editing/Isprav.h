#pragma once

#include <QDialog>
#include <QStringList>

class ItemListModel;
class QLineEdit;
class QPushButton;

// "Редактировать": corrects the name and serial number of one item of the purchase panel.
// OK writes the item back only when something changed.
class Isprav final : public QDialog {
    Q_OBJECT

public:
    Isprav(ItemListModel &items, int row, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateDefaultButton();
    void kOK_Click();

    ItemListModel &m_items;
    int m_e = -1;
    QLineEdit *m_izdelietxt = nullptr;
    QLineEdit *m_serNomertxt = nullptr;
    QPushButton *m_kOK = nullptr;
    QPushButton *m_kCancel = nullptr;
};
