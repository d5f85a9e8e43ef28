#include "WarrantyWindow.h"

#include "Collation.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kOriginalRole = Qt::UserRole;

// Months from 0 ("нет") to the most the file keeps.
class MonthsDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *box = new QSpinBox(parent);
        box->setRange(0, WarrantyTerms::kMaxMonths);
        box->setSpecialValueText(QStringLiteral("нет"));
        return box;
    }
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        return value.toInt() == 0 ? QStringLiteral("нет") : QStyledItemDelegate::displayText(value, locale);
    }
};

} // namespace

WarrantyWindow::WarrantyWindow(const WarrantyTerms &terms, const QStringList &goods, QWidget *parent)
    : QDialog(parent), m_terms(terms)
{
    setObjectName(QStringLiteral("Garantiya"));
    setWindowTitle(QStringLiteral("Сроки гарантии"));

    auto *hint = new QLabel(
        QStringLiteral(
            "Месяцев гарантии для каждого товара; «нет» — без гарантии. Срок изделия, если он задан, "
            "важнее срока товара."),
        this);
    hint->setWordWrap(true);
    m_table = new QTableWidget(0, 2, this);
    m_table->setObjectName(QStringLiteral("GarantiyaLst"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Товар или изделие"), QStringLiteral("Месяцев")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_table->setItemDelegateForColumn(1, new MonthsDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);

    // The catalogue's names and the table's, once each, in Russian order.
    QStringList names = goods;
    for (const WarrantyTerms::Term &t : terms.terms())
        names << t.name;
    const QCollator russian = russianCollator();
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) { return russian(a, b); });
    QSet<QString> seen;
    for (const QString &name : std::as_const(names)) {
        const QString key = WarrantyTerms::keyOf(name);
        if (key.isEmpty() || seen.contains(key))
            continue;
        seen.insert(key);
        addRow(name.trimmed(), terms.months(name), false);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("Сохранить"));
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("GarantiyaSave"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    auto *add = buttons->addButton(QStringLiteral("&Добавить изделие"), QDialogButtonBox::ActionRole);
    add->setObjectName(QStringLiteral("GarantiyaAdd"));
    connect(add, &QPushButton::clicked, this, [this] {
        addRow(QString(), 0, true);
        m_table->setCurrentCell(m_table->rowCount() - 1, 0);
        m_table->editItem(m_table->item(m_table->rowCount() - 1, 0));
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(520, 480);
}

void WarrantyWindow::addRow(const QString &name, int months, bool nameEditable)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    auto *nameItem = new QTableWidgetItem(name);
    if (!nameEditable)
        nameItem->setFlags(nameItem->flags() & ~Qt::ItemIsEditable);
    auto *monthsItem = new QTableWidgetItem;
    monthsItem->setData(Qt::EditRole, months);
    monthsItem->setData(kOriginalRole, nameEditable ? -1 : months);
    monthsItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_table->setItem(row, 0, nameItem);
    m_table->setItem(row, 1, monthsItem);
}

WarrantyTerms WarrantyWindow::edited() const
{
    WarrantyTerms terms = m_terms;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString name = m_table->item(row, 0)->text().trimmed();
        const int months =
            std::clamp(m_table->item(row, 1)->data(Qt::EditRole).toInt(), 0, WarrantyTerms::kMaxMonths);
        const int original = m_table->item(row, 1)->data(kOriginalRole).toInt();
        if (!name.isEmpty() && months != original && !(original < 0 && months == 0))
            terms.setMonths(name, months);
    }
    return terms;
}
