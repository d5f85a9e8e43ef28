// The owner's operations of the shop: the warranty terms shared by the tills, and the warranty
// slip of the purchase shown.
#include "Shop.h"

#include "CardSearch.h"
#include "SlipTemplate.h"

#include <QFileInfo>

QString Shop::warrantyPath() const
{
    return WarrantyTerms::pathBeside(m_goodsPath);
}

const WarrantyTerms &Shop::warranty()
{
    // Another till may have saved the table since: it is read again when the file looks changed.
    const QFileInfo file(warrantyPath());
    const QDateTime stamp = file.exists() ? file.lastModified() : QDateTime();
    const qint64 size = file.exists() ? file.size() : -1;
    if (!m_warrantyRead || stamp != m_warrantyStamp || size != m_warrantySize) {
        WarrantyTerms fresh;
        if (fresh.load(warrantyPath()) == FileError::None || !m_warrantyRead)
            m_warranty = std::move(fresh);
        m_warrantyRead = true;
        m_warrantyStamp = stamp;
        m_warrantySize = size;
    }
    return m_warranty;
}

FileError Shop::saveWarranty(WarrantyTerms &edited)
{
    const FileError error = edited.save(warrantyPath(), WarrantyTerms::keepInHistory(m_bazaPath));
    if (error == FileError::None) {
        m_warranty = edited;
        m_warrantyRead = false; // the file's new stamp is taken at the next look
        warranty();
    }
    return error;
}

Shop::Slip Shop::slipOfShownPurchase()
{
    Slip slip;
    const int shown = m_session->NewMode() ? -1 : m_session->PokupkaNum();
    if (m_session->CurFile().isEmpty() || shown < 0 || shown >= m_session->Pokupki().size()) {
        slip.error = QStringLiteral("Талон печатается для совершённой покупки: выберите её в списке "
                                    "покупок или в окне поиска.");
        return slip;
    }
    SlipTemplate form = SlipTemplate::load(m_bazaPath);
    // A base without a template gets the shipped one, which the owner then fills in.
    if (form.isMissing() && SlipTemplate::restoreShipped(m_bazaPath) == FileError::None) {
        form = SlipTemplate::load(m_bazaPath);
        slip.notice = QStringLiteral("В папке «База» появился файл «%1»: впишите в него название, адрес "
                                     "и телефон магазина (справка, F1).")
                          .arg(SlipTemplate::fileName());
    }
    if (!form.isValid()) {
        slip.error = form.error();
        slip.templateUnusable = true;
        return slip;
    }
    const SlipData data =
        SlipData::of(m_session->header(), m_session->Pokupki()[shown], warranty(), m_session->CurFile());
    slip.html = form.fill(data);
    slip.name = QStringLiteral("%1, покупка %2").arg(data.customer).arg(shown + 1);
    slip.title = QStringLiteral("Гарантийный талон — ") + slip.name;
    return slip;
}

FileError Shop::restoreShippedSlip()
{
    return SlipTemplate::restoreShipped(m_bazaPath);
}
