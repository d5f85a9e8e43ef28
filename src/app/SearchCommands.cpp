// Finding a sale: the "Поиск" window, going to the sale found, and hints while typing.
#include "FrmForma.h"

#include "CardSearch.h"
#include "KlientIndex.h"
#include "SearchWindow.h"

#include <QDate>
#include <QLineEdit>
#include <QListView>
#include <QToolTip>

void FrmForma::EditFind_Click()
{
    if (!m_searchWindow) {
        m_searchWindow = new SearchWindow(m_shop.search(), this);
        connect(m_searchWindow, &SearchWindow::saleChosen, this, &FrmForma::openSale);
    }
    if (!m_searchWindow->isVisible()) {
        // Beside the window, never over the card it shows.
        const QWidget *client = centralWidget();
        const QRect cardArea(client->mapToGlobal(QPoint(0, 0)), QSize(281, client->height()));
        const SearchPlace place = m_searchWindow->showBeside(frameGeometry(), cardArea);
        // Against the screen's left edge, where that makes room for the search beside the card.
        if (place.mainShift != 0)
            move(pos() + QPoint(place.mainShift, 0));
    }
    m_searchWindow->raise();
    m_searchWindow->activateWindow();
}

void FrmForma::openSale(const QString &fileName, int purchase)
{
    const int position = m_shop.index().findFile(fileName);
    if (position < 0)
        return;
    OpenFile(position);
    if (CurFile() != fileName || purchase < 0 || purchase >= int(Pokupki().size()))
        return;
    m_pokupkiLst->setCurrentIndex(m_pokupkiLst->model()->index(purchase, 0));
    PokupkiLst_DblClick();
}

void FrmForma::showHint(QWidget *field, const QString &text)
{
    m_lastHint = text;
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), text, field, {}, 5000);
}

void FrmForma::hintBirthYear()
{
    // A year typed after the prefilled "19" ("1901" for "01") or beyond today is most likely a slip.
    bool ok = false;
    const int year = bz(BzD::GodRozhd)->text().toInt(&ok);
    if (ok && bz(BzD::GodRozhd)->text().size() == 4 && (year < 1910 || year > QDate::currentDate().year()))
        showHint(bz(BzD::GodRozhd), QStringLiteral("Год рождения %1? Проверьте год.").arg(year));
}

void FrmForma::hintSoldSerial(const QString &serial)
{
    SearchRow sold;
    if (m_shop.search().findSold(serial, &sold))
        showHint(pk(PokupkaField::SerNomer), QStringLiteral("Изделие с номером ") + serial +
                                                 QStringLiteral(" уже продано: ") + sold.fio +
                                                 QStringLiteral(", ") + sold.date + QLatin1Char('.'));
}
