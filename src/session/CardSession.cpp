#include "CardSession.h"

#include "CardSearch.h"
#include "KlientIndex.h"
#include "SafeFile.h"

#include <QFileInfo>

#include <utility>

bool CardSession::onlyAppended(const QByteArray &base, const QByteArray &now, QList<TovarCls> *added)
{
    if (!now.startsWith(base))
        return false;
    const Card before = cardfile::parse(base);
    const Card card = cardfile::parse(now);
    if (card.header != before.header || card.pokupki.mid(0, before.pokupki.size()) != before.pokupki)
        return false;
    *added = card.pokupki.mid(before.pokupki.size());
    return true;
}

CardSession::CardSession(QString bazaPath, KlientIndex &index, CardSearch &search)
    : m_bazaPath(std::move(bazaPath)), m_history(m_bazaPath), m_index(index), m_search(search)
{
    // What a killed write left behind; a write another till has under way is locked and stays.
    safefile::removeLeftovers(m_bazaPath);
    m_history.removeLeftovers();
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
    m_correcting.reset();
    m_curFile.clear();
    m_known.clear();
    m_overwrite = false;
    m_told.reset();
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
    take(bytes);
    m_correcting.reset();
    m_newMode = true;
    m_pokupkaNum = int(Pokupki().size());
    m_cardIndex = position;
    m_curFile = result.fileName;
    return result;
}

void CardSession::take(const QByteArray &bytes)
{
    Card card = cardfile::parse(bytes);
    m_known = bytes;
    m_overwrite = false;
    m_told.reset();
    m_header = card.header;
    m_purchases.setPurchases(std::move(card.pokupki));
    m_cardChanged = false;
}

void CardSession::takeSeen()
{
    take(m_seen.bytes);
    if (m_newMode)
        m_pokupkaNum = int(Pokupki().size());
}

bool CardSession::toldOf(const QByteArray &bytes) const
{
    return m_told.has_value() && !m_told->gone && m_told->bytes == bytes;
}

CardSession::DiskChange CardSession::checkDisk()
{
    if (m_curFile.isEmpty())
        return DiskChange::None;
    QByteArray now;
    const FileError error = safefile::readFile(m_bazaPath + m_curFile, now);
    if (error == FileError::NotFound) {
        m_seen = Told{true, {}};
        return m_told.has_value() && m_told->gone ? DiskChange::None : DiskChange::Gone;
    }
    if (error != FileError::None || now == m_known || toldOf(now))
        return DiskChange::None; // nothing new, or only what the operator was told of
    if (takeAppended(now))
        return DiskChange::Appended;
    m_seen = Told{false, now};
    return DiskChange::Changed;
}

void CardSession::toldOfChange()
{
    m_told = m_seen;
}

QString CardSession::cardName(int k) const
{
    return (QStringLiteral("0000000") + QString::number(qint64(m_index.KlientCount()) + k)).right(8) +
           QStringLiteral(".dat");
}

CardSession::SaveResult CardSession::save(const CardHeader &header)
{
    SaveResult result = m_curFile.isEmpty() ? saveNew(header) : saveExisting(header);
    const std::optional<UndoStep> corrected = std::exchange(m_correcting, std::nullopt);
    if (result.error != FileError::None || result.conflict != Conflict::None) {
        if (result.conflict != Conflict::None) {
            // The list and the search show the card as it is now; the next save writes over
            // what the operator is told of here, and over nothing else.
            m_search.refreshFile(result.fileName);
            m_told = m_seen;
            m_overwrite = true;
        }
        return result;
    }
    if (corrected && corrected->fileName == result.fileName)
        m_undo.append(*corrected);
    m_header = header;
    m_overwrite = false;
    m_told.reset();
    if (m_ownWrite)
        m_ownWrite(result.fileName);
    m_search.refreshFile(result.fileName);
    updateIndex(header, result);
    m_curFile = result.fileName;
    return result;
}

CardSession::SaveResult CardSession::saveNew(const CardHeader &header)
{
    SaveResult result;
    const QByteArray bytes = cardfile::serialize({header, Pokupki()});
    // A name still in the index belongs to a card removed by hand since the last scan.
    const auto nameFor = [this](int k) {
        QString name = cardName(++k);
        while (m_index.findFile(name) >= 0)
            name = cardName(++k);
        return name;
    };
    result.error = safefile::createNew(m_bazaPath, nameFor, bytes, &result.fileName);
    if (result.error == FileError::None)
        m_known = bytes;
    else if (result.fileName.isEmpty())
        result.fileName = nameFor(0); // the name the message speaks of
    return result;
}

CardSession::SaveResult CardSession::saveExisting(const CardHeader &header)
{
    SaveResult result;
    result.fileName = m_curFile;
    const Card ours{header, Pokupki()};
    QList<TovarCls> appended;
    QByteArray written;
    result.error = safefile::rewriteLocked(m_bazaPath + m_curFile, [&](const QByteArray *current) {
        safefile::Rewrite rewrite;
        appended.clear();
        // What may be written over: the card as this program knows it, or, by the operator's
        // choice, the change elsewhere that the operator was told of; only whole purchases
        // added at the end since then are someone else's work to keep.
        const bool overwriting = m_overwrite && m_told.has_value();
        if (!current) {
            if (!(overwriting && m_told->gone)) {
                result.conflict = Conflict::Gone;
                m_seen = Told{true, {}};
                return rewrite;
            }
        } else if (*current != m_known && !onlyAppended(m_known, *current, &appended) &&
                   !(overwriting && (toldOf(*current) ||
                                     (!m_told->gone && onlyAppended(m_told->bytes, *current, &appended))))) {
            result.conflict = Conflict::Changed;
            m_seen = Told{false, *current};
            return rewrite;
        }
        Card card = ours;
        card.pokupki += appended;
        written = cardfile::serialize(card);
        rewrite.write = true;
        rewrite.data = written;
        if (current && *current != written)
            keepVersion(rewrite, m_curFile, *current, int(card.pokupki.size()));
        return rewrite;
    });
    if (result.error == FileError::None && result.conflict == Conflict::None) {
        m_known = written;
        for (const TovarCls &p : appended)
            m_purchases.append(p);
        result.appended = int(appended.size());
    }
    return result;
}

void CardSession::updateIndex(const CardHeader &header, SaveResult &result)
{
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
}

bool CardSession::takeAppended(const QByteArray &now)
{
    QList<TovarCls> added;
    QByteArray *base = &m_known;
    if (!onlyAppended(m_known, now, &added)) {
        // Sales another till adds after the operator was told of a change stay theirs to keep.
        if (!m_told.has_value() || m_told->gone || !onlyAppended(m_told->bytes, now, &added))
            return false;
        base = &m_told->bytes;
    }
    for (const TovarCls &p : added)
        m_purchases.append(p);
    *base = now;
    return true;
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
        copyItemsInto(m_savedNewPokupka);
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
    copyItemsInto(typed);
    return typed;
}

void CardSession::copyItemsInto(TovarCls &purchase) const
{
    purchase.Clear();
    for (const QString &s : m_items.strings())
        purchase.NewIzdelie(s);
}

CardSession::RecordResult CardSession::recordSale(const NewTovarCls &sale)
{
    RecordResult result;
    int found = m_index.findCustomer(sale.Familiya, sale.Telephon1, sale.Telephon2);
    if (found < 0 && m_recheck) {
        m_recheck();
        found = m_index.findCustomer(sale.Familiya, sale.Telephon1, sale.Telephon2);
    }
    if (found < 0) {
        result.outcome = RecordResult::NoCustomer;
        return result;
    }
    result.fileName = m_index.at(found).FileName;
    const TovarCls purchase = withItems(sale);
    QByteArray before, after;
    result.error = safefile::rewriteLocked(m_bazaPath + result.fileName, [&](const QByteArray *current) {
        safefile::Rewrite rewrite;
        if (!current) {
            rewrite.result = FileError::NotFound; // a card is never made by a sale
            return rewrite;
        }
        before = *current;
        after = safefile::withBlockAppended(before, cardfile::serializePurchase(purchase));
        rewrite.write = true;
        rewrite.data = after;
        return rewrite;
    });
    result.cataloguePosition = addToCatalogue(purchase.Tovar);
    if (result.error != FileError::None) {
        // The sale is not recorded: everything typed stays in the panel for another try.
        result.outcome = RecordResult::Failed;
        return result;
    }
    if (m_ownWrite)
        m_ownWrite(result.fileName);
    m_search.refreshFile(result.fileName);
    // The open card stays true to its file: any sales another till added meanwhile, then this one
    // as it was typed.
    if (!m_curFile.isEmpty() && result.fileName == m_curFile) {
        // Whichever state the card was in moves past this sale; a card changed otherwise stays
        // a conflict.
        if (before != m_known)
            takeAppended(before);
        if (before == m_known)
            m_known = after;
        else if (toldOf(before))
            m_told->bytes = after;
        m_purchases.append(purchase);
    }
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
    m_correcting = UndoStep{m_curFile, m_pokupkaNum, Pokupki()[m_pokupkaNum], p};
    m_purchases.replace(m_pokupkaNum, p);
    return true;
}

CardSession::SaveResult CardSession::deletePurchase(int row, const CardHeader &header, bool *shownDeleted)
{
    const TovarCls deleted = Pokupki()[row];
    const int shownBefore = m_pokupkaNum;
    m_purchases.remove(row);
    *shownDeleted = !m_newMode && row == m_pokupkaNum;
    // The purchase shown moves up with the lines below the deleted one.
    if (!m_newMode && row < m_pokupkaNum)
        --m_pokupkaNum;
    SaveResult result = save(header);
    if (result.error != FileError::None || result.conflict != Conflict::None) {
        // Not deleted on disk: the list keeps showing what the file holds.
        m_purchases.insert(row, deleted);
        m_pokupkaNum = shownBefore;
        *shownDeleted = false;
    } else {
        m_undo.append(UndoStep{result.fileName, row, deleted, std::nullopt});
    }
    return result;
}

void CardSession::loadCatalogue(const QString &path)
{
    safefile::removeLeftovers(QFileInfo(path).absolutePath());
    m_catalogue.load(path);
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
    if (!m_tovaryChanged)
        return FileError::None;
    return m_catalogue.save(path, [this](const QByteArray &replaced) {
        return m_history.keep(QStringLiteral("Товары.txt"), replaced, 0);
    });
}
