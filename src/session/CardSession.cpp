#include "CardSession.h"

#include "CardSearch.h"
#include "KlientIndex.h"
#include "SafeFile.h"

CardSession::CardSession(QString bazaPath, KlientIndex &index, CardSearch &search)
    : m_bazaPath(std::move(bazaPath)), m_index(index), m_search(search)
{
}

std::optional<CardFault> CardSession::checkCard(const CardHeader &h)
{
    if (h.familiya.isEmpty())
        return CardFault{"Введите фамилию покупателя.", BzD::Familiya};
    if (h.imya.isEmpty())
        return CardFault{"Введите имя покупателя.", BzD::Imya};
    if (h.denRozhd.isEmpty())
        return CardFault{"Введите день рождения покупателя.", BzD::DenRozhd};
    if (h.godRozhd.isEmpty())
        return CardFault{"Введите год рождения покупателя", BzD::GodRozhd};
    return std::nullopt;
}

std::optional<SaleFault> CardSession::checkSale(const NewTovarCls &sale, bool newMode)
{
    if (newMode && sale.Familiya.isEmpty())
        return SaleFault{"Введите фамилию покупателя.", PokupkaField::Familiya};
    if (sale.Day.isEmpty())
        return SaleFault{"Введите день покупки.", PokupkaField::Day};
    if (sale.God.isEmpty())
        return SaleFault{"Введите год покупки.", PokupkaField::God};
    if (sale.Summa.isEmpty())
        return SaleFault{"Введите сумму товара.", PokupkaField::Summa};
    if (sale.Tovar.isEmpty())
        return SaleFault{"Введите наименование товара.", std::nullopt};
    return std::nullopt;
}

void CardSession::newCard()
{
    m_curFile.clear();
    // A new card starts without the purchases of the card shown before.
    m_purchases.setPurchases({});
    m_pokupkaNum = 0;
}

CardSession::OpenResult CardSession::open(int position)
{
    OpenResult result;
    if (position < 0 || position >= m_index.KlientCount())
        return result;
    result.fileName = m_index.at(position).FileName;
    QByteArray bytes;
    result.error = safefile::readFile(m_bazaPath + result.fileName, bytes);
    if (result.error != FileError::None)
        return result;
    Card card = cardfile::parse(bytes);
    m_header = card.header;
    m_purchases.setPurchases(std::move(card.pokupki));
    m_newMode = true;
    m_pokupkaNum = int(Pokupki().size());
    m_cardIndex = position;
    m_curFile = result.fileName;
    m_cardChanged = false;
    return result;
}

QString CardSession::freeCardName() const
{
    const int count = m_index.KlientCount();
    for (qint64 k = 1;; ++k) {
        const QString name =
            (QStringLiteral("0000000") + QString::number(count + k)).right(8) + QStringLiteral(".dat");
        // A name still in the index belongs to a card removed by hand since the last scan.
        if (!safefile::nameTaken(m_bazaPath + name) && m_index.findFile(name) < 0)
            return name;
    }
}

CardSession::SaveResult CardSession::save(const CardHeader &header)
{
    SaveResult result;
    result.fileName = m_curFile.isEmpty() ? freeCardName() : m_curFile;
    result.error =
        safefile::replaceFile(m_bazaPath + result.fileName, cardfile::serialize({header, Pokupki()}));
    if (result.error != FileError::None)
        return result;
    m_header = header;

    m_search.refreshFile(result.fileName);
    bool needsEntry = m_curFile.isEmpty();
    // A new card for someone already in the base: worth a word, never a stop.
    if (needsEntry)
        result.twin = m_index.findCustomer(header.familiya, header.telDom, header.telRab);
    if (!needsEntry &&
        (m_cardIndex >= m_index.KlientCount() || m_index.at(m_cardIndex).FileName != m_curFile)) {
        // A rescan moved the entries: find this card's entry again, or add it back.
        m_cardIndex = m_index.findFile(m_curFile);
        needsEntry = m_cardIndex < 0;
    }
    if (m_cardChanged || needsEntry) {
        if (needsEntry)
            m_cardIndex = m_index.append({});
        m_index.setEntry(m_cardIndex, makeKlientRec(result.fileName, header.familiya, header.imya,
                                                    header.otchestvo, header.telDom, header.telRab));
        result.indexChanged = true;
        m_cardChanged = false;
    }
    m_curFile = result.fileName;
    return result;
}

void CardSession::startNewPurchase()
{
    m_newMode = true;
    m_pokupkaNum = int(Pokupki().size());
    m_items.clear();
}

const TovarCls &CardSession::showPurchase(int row, const NewTovarCls &typed)
{
    if (m_newMode) {
        m_savedNewPokupka = typed;
        m_savedNewPokupka.Clear();
        for (const QString &s : m_items.strings())
            m_savedNewPokupka.NewIzdelie(s);
    }
    const TovarCls &shown = Pokupki()[row];
    m_items.setStrings(shown.items());
    m_newMode = false;
    m_pokupkaNum = row;
    return shown;
}

const NewTovarCls &CardSession::restore()
{
    m_items.setStrings(m_savedNewPokupka.items());
    m_newMode = true;
    return m_savedNewPokupka;
}

TovarCls CardSession::withItems(TovarCls typed) const
{
    typed.Clear();
    for (const QString &s : m_items.strings())
        typed.NewIzdelie(s);
    return typed;
}

CardSession::RecordResult CardSession::recordSale(const NewTovarCls &sale)
{
    RecordResult result;
    const int found = m_index.findCustomer(sale.Familiya, sale.Telephon1, sale.Telephon2);
    if (found < 0) {
        result.outcome = RecordResult::NoCustomer;
        return result;
    }
    result.fileName = m_index.at(found).FileName;
    const TovarCls purchase = withItems(sale);
    result.error =
        safefile::appendToFile(m_bazaPath + result.fileName, cardfile::serializePurchase(purchase));
    result.cataloguePosition = addToCatalogue(purchase.Tovar);
    if (result.error != FileError::None) {
        // The sale is not recorded: everything typed stays in the panel for another try.
        result.outcome = RecordResult::Failed;
        return result;
    }
    m_search.refreshFile(result.fileName);
    // The open card stays true to its file.
    if (!m_curFile.isEmpty() && result.fileName == m_curFile)
        m_purchases.append(purchase);
    return result;
}

bool CardSession::correctShownPurchase(const TovarCls &edited)
{
    if (m_newMode || m_pokupkaNum < 0 || m_pokupkaNum >= Pokupki().size())
        return false;
    TovarCls p = withItems(edited);
    // A month the list cannot show is kept as the card had it.
    if (p.Mesac < 0)
        p.Mesac = Pokupki()[m_pokupkaNum].Mesac;
    m_purchases.replace(m_pokupkaNum, p);
    return true;
}

bool CardSession::deletePurchase(int row)
{
    m_purchases.remove(row);
    const bool shownDeleted = !m_newMode && row == m_pokupkaNum;
    // The purchase shown moves up with the lines below the deleted one.
    if (!m_newMode && row < m_pokupkaNum)
        --m_pokupkaNum;
    return shownDeleted;
}

int CardSession::addToCatalogue(const QString &tovar)
{
    if (m_catalogue.containsIgnoringCase(tovar))
        return -1;
    m_tovaryChanged = true;
    return m_catalogue.add(tovar);
}

FileError CardSession::saveCatalogueIfChanged(const QString &path) const
{
    return m_tovaryChanged ? m_catalogue.save(path) : FileError::None;
}
