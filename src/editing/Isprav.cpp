#include "Isprav.h"

#include "EntryRules.h"
#include "ItemListModel.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

Isprav::Isprav(ItemListModel &items, int row, QWidget *parent) : QDialog(parent), m_items(items), m_e(row)
{
    setObjectName(QStringLiteral("Isprav"));
    setWindowTitle(QStringLiteral("Редактировать"));
    setFixedSize(330, 118);

    auto *nameLbl = new QLabel(QStringLiteral("Изделие:"), this);
    nameLbl->move(8, 12);
    nameLbl->adjustSize();
    m_izdelietxt = new EntryLineEdit(FieldKind::Text, this);
    m_izdelietxt->setObjectName(QStringLiteral("Izdelietxt"));
    m_izdelietxt->setGeometry(136, 8, 186, 24);

    auto *serialLbl = new QLabel(QStringLiteral("Серийный номер:"), this);
    serialLbl->move(8, 44);
    serialLbl->adjustSize();
    m_serNomertxt = new EntryLineEdit(FieldKind::Text, this);
    m_serNomertxt->setObjectName(QStringLiteral("SerNomertxt"));
    m_serNomertxt->setGeometry(136, 40, 186, 24);

    m_kOK = new QPushButton(QStringLiteral("OK"), this);
    m_kOK->setObjectName(QStringLiteral("kOK"));
    m_kOK->setGeometry(136, 78, 89, 33);
    m_kCancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_kCancel->setObjectName(QStringLiteral("kCancel"));
    m_kCancel->setGeometry(233, 78, 89, 33);
    // Enter presses the focused button; in a text box the rule below decides.
    m_kOK->setAutoDefault(true);
    m_kCancel->setAutoDefault(true);
    m_izdelietxt->installEventFilter(this);
    m_serNomertxt->installEventFilter(this);

    connect(m_izdelietxt, &QLineEdit::textChanged, this, &Isprav::updateDefaultButton);
    connect(m_serNomertxt, &QLineEdit::textChanged, this, &Isprav::updateDefaultButton);
    connect(m_kOK, &QPushButton::clicked, this, &Isprav::kOK_Click);
    connect(m_kCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Load: the item's two strings.
    m_izdelietxt->setText(m_items.name(m_e));
    m_serNomertxt->setText(m_items.serial(m_e));
    updateDefaultButton();
}

bool Isprav::eventFilter(QObject *watched, QEvent *event)
{
    // A button leaving the focus hands the default role back to OK; a text box takes the rule again.
    if (event->type() == QEvent::FocusIn)
        updateDefaultButton();
    return QDialog::eventFilter(watched, event);
}

void Isprav::updateDefaultButton()
{
    m_kOK->setDefault(!m_izdelietxt->text().isEmpty() && !m_serNomertxt->text().isEmpty());
}

void Isprav::kOK_Click()
{
    m_items.setItem(m_e, m_izdelietxt->text(), m_serNomertxt->text());
    accept();
}
