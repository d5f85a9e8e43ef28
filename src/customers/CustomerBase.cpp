#include "CustomerBase.h"

#include "BazaScan.h"
#include "FioOrder.h"

CustomerBase::CustomerBase(QString bazaPath, QObject *parent)
    : QObject(parent), m_bazaPath(std::move(bazaPath)), m_list(m_index, this)
{
}

void CustomerBase::LoadBaza(const std::function<void(qsizetype, qsizetype)> &progress)
{
    m_loading = true;
    m_index.replaceAll(bazascan::scan(m_bazaPath, progress));
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

CustomerBase::Taken CustomerBase::takeCards(QStringList fileNames)
{
    Taken taken;
    fileNames.removeDuplicates();
    if (fileNames.isEmpty())
        return taken;
    for (const QString &name : std::as_const(fileNames)) {
        const int position = m_index.findFile(name);
        const bool known = position >= 0 && !m_index.at(position).isRemoved();
        bool gone = false;
        KlientRec rec = bazascan::readRecord(m_bazaPath, name, &gone);
        if (gone) {
            m_index.markRemoved(name);
            taken.removed += known ? 1 : 0;
        } else {
            m_index.applyCardChange(name, std::move(rec));
            ++(known ? taken.changed : taken.added);
        }
    }
    entriesChanged(fileNames);
    return taken;
}
