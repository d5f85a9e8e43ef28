// The card shown: new customer, checking, saving and opening.
#include "FrmForma.h"

#include "CardFile.h"
#include "CardSearch.h"
#include "Dialogs.h"
#include "LineForms.h"
#include "SafeFile.h"
#include "UsrForma.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

KlientIndex &FrmForma::klientIndex()
{
    return m_usrForma1->index();
}

void FrmForma::setCardChanged()
{
    if (!m_loading)
        m_cardChanged = true;
}

void FrmForma::FileNewKlient_Click()
{
    // The panel never keeps pointing into a card that is gone.
    if (!m_newMode)
        Back1_Click();
    for (QLineEdit *edit : m_bzDTxt)
        edit->clear();
    m_bzDTxt[4]->setText(QStringLiteral("19"));
    m_bzDMesac->setCurrentIndex(0);
    m_bzDTxt[0]->setFocus();
    m_curFile.clear();
    // A new card starts without the purchases of the card shown before.
    m_pokupki.clear();
    m_pokupkiLst->clear();
    m_pokupkaNum = 0;
}

bool FrmForma::CheckCard()
{
    const struct {
        int box;
        const char *message;
    } checks[] = {
        {0, "Введите фамилию покупателя."},
        {1, "Введите имя покупателя."},
        {3, "Введите день рождения покупателя."},
        {4, "Введите год рождения покупателя"},
    };
    for (const auto &check : checks) {
        if (m_bzDTxt[check.box]->text().isEmpty()) {
            Dialogs::current().critical(this, QString::fromUtf8(check.message));
            m_bzDTxt[check.box]->setFocus();
            return true;
        }
    }
    return false;
}

QString FrmForma::freeCardName() const
{
    const int count = m_usrForma1->index().KlientCount();
    for (qint64 k = 1;; ++k) {
        const QString name = (QStringLiteral("0000000") + QString::number(count + k)).right(8) + QStringLiteral(".dat");
        // A name still in the index belongs to a card removed by hand since the last scan.
        if (!safefile::nameTaken(m_bazaPath + name) && m_usrForma1->index().findFile(name) < 0)
            return name;
    }
}

void FrmForma::FileSave_Click()
{
    if (CheckCard())
        return;
    const QString name = m_curFile.isEmpty() ? freeCardName() : m_curFile;

    Card card;
    card.header = {m_bzDTxt[0]->text(), m_bzDTxt[1]->text(), m_bzDTxt[2]->text(), m_bzDTxt[5]->text(),
                   m_bzDTxt[6]->text(), m_bzDTxt[3]->text(), m_bzDMesac->currentIndex(), m_bzDTxt[4]->text()};
    card.pokupki = m_pokupki;
    const FileError error = safefile::replaceFile(m_bazaPath + name, cardfile::serialize(card));
    if (error != FileError::None) {
        Dialogs::current().critical(this, writeFailureMessage(name, error));
        return;
    }

    m_search->refreshFile(name);
    KlientIndex &index = klientIndex();
    bool needsEntry = m_curFile.isEmpty();
    // A new card for someone already in the base: worth a word, never a stop.
    const int twin = m_curFile.isEmpty() ? index.findCustomer(card.header.familiya, card.header.telDom, card.header.telRab) : -1;
    if (twin >= 0)
        showHint(m_bzDTxt[0], QStringLiteral("Такой покупатель уже есть: ") + index.at(twin).FIO + QStringLiteral(" (") +
                                  index.at(twin).FileName + QStringLiteral(")."));
    if (!needsEntry && (m_cardIndex >= index.KlientCount() || index.at(m_cardIndex).FileName != m_curFile)) {
        // A rescan moved the entries: find this card's entry again, or add it back.
        m_cardIndex = index.findFile(m_curFile);
        needsEntry = m_cardIndex < 0;
    }
    if (m_cardChanged || needsEntry) {
        if (needsEntry)
            m_cardIndex = index.append({});
        index.setEntry(m_cardIndex, makeKlientRec(name, card.header.familiya, card.header.imya,
                                                  card.header.otchestvo, card.header.telDom, card.header.telRab));
        m_usrForma1->ReFIO();
        m_cardChanged = false;
    }
    m_curFile = name;
}

void FrmForma::OpenFile(int index)
{
    if (!m_newMode)
        Back1_Click();
    const KlientIndex &klients = klientIndex();
    if (index < 0 || index >= klients.KlientCount())
        return;
    const QString fileName = klients.at(index).FileName;
    QByteArray bytes;
    const FileError error = safefile::readFile(m_bazaPath + fileName, bytes);
    if (error != FileError::None) {
        Dialogs::current().critical(this, readFailureMessage(m_bazaPath + fileName, error));
        m_usrForma1->LoadBaza();
        return;
    }
    const Card card = cardfile::parse(bytes);

    m_loading = true;
    const CardHeader &h = card.header;
    m_bzDTxt[0]->setText(h.familiya);
    m_bzDTxt[1]->setText(h.imya);
    m_bzDTxt[2]->setText(h.otchestvo);
    m_bzDTxt[5]->setText(h.telDom);
    m_bzDTxt[6]->setText(h.telRab);
    m_bzDTxt[3]->setText(h.denRozhd);
    if (h.mesacRozhd >= -1 && h.mesacRozhd < m_bzDMesac->count())
        m_bzDMesac->setCurrentIndex(h.mesacRozhd);
    m_bzDTxt[4]->setText(h.godRozhd);
    m_pokupki = card.pokupki;
    refreshPokupkiLst();

    m_newMode = true;
    m_pokupkaNum = int(m_pokupki.size());
    m_cardIndex = index;
    m_loading = false;
    m_curFile = fileName;
    m_cardChanged = false;
    m_bzDTxt[0]->setFocus();
}

void FrmForma::refreshPokupkiLst()
{
    QStringList lines;
    lines.reserve(m_pokupki.size());
    for (int i = 0; i < m_pokupki.size(); ++i)
        lines.append(lineforms::pokupkaLine(i + 1, m_pokupki[i].Tovar));
    m_pokupkiLst->clear();
    m_pokupkiLst->addItems(lines);
}
