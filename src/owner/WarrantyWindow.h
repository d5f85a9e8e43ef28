#pragma once

#include "WarrantyTerms.h"

#include <QDialog>

class QTableWidget;

// "Сроки гарантии": months of warranty for each goods name, 0 for none. The catalogue's names
// are listed with the terms the table has; a name of an item may be added. "Сохранить" hands
// the changed table to `save`, which tells of a failure and answers whether it was written.
class WarrantyWindow final : public QDialog {
    Q_OBJECT

public:
    WarrantyWindow(const WarrantyTerms &terms, const QStringList &goods, QWidget *parent = nullptr);

    // The table with the owner's changes set on it (only the rows changed).
    WarrantyTerms edited() const;
    QTableWidget *table() const { return m_table; }

private:
    void addRow(const QString &name, int months, bool nameEditable);

    WarrantyTerms m_terms;
    QTableWidget *m_table = nullptr;
};
