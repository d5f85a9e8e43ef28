#include "CustomerBase.h"

#include "BazaScan.h"
#include "FioOrder.h"

CustomerBase::CustomerBase(QString bazaPath, QObject *parent)
    : QObject(parent), m_bazaPath(std::move(bazaPath)), m_list(m_index, this)
{
}

void CustomerBase::LoadBaza()
{
    m_loading = true;
    m_index.replaceAll(bazascan::scan(m_bazaPath));
    ReFIO();
    m_loading = false;
    emit loaded();
}

void CustomerBase::ReFIO()
{
    QList<int> order = fioOrder(m_index);
    order.removeIf([this](int position) { return m_index.at(position).isRemoved(); });
    m_list.setOrder(std::move(order));
}

void CustomerBase::entriesChanged(const QStringList &fileNames)
{
    ReFIO();
    emit changed(fileNames);
}

void CustomerBase::takeCards(QStringList fileNames)
{
    fileNames.removeDuplicates();
    if (fileNames.isEmpty())
        return;
    for (const QString &name : std::as_const(fileNames)) {
        bool gone = false;
        KlientRec rec = bazascan::readRecord(m_bazaPath, name, &gone);
        if (gone)
            m_index.markRemoved(name);
        else
            m_index.applyCardChange(name, std::move(rec));
    }
    entriesChanged(fileNames);
}
