#include "CardSession.h"

#include "CardSearch.h"
#include "KlientIndex.h"
#include "SafeFile.h"

#include <QFileInfo>

#include <utility>

CardSession::CardSession(QString bazaPath, KlientIndex &index, CardSearch &search)
    : m_bazaPath(std::move(bazaPath)), m_history(m_bazaPath), m_index(index),
      m_writer(m_bazaPath, m_history, index, search)
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
    m_conflict.clear();
    // A new card starts without the purchases of the card shown before.
    m_purchases.setPurchases({});
    m_panel.setPokupkaNum(0);
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
    m_panel.keepNew(int(Pokupki().size()));
    m_cardIndex = position;
    m_curFile = result.fileName;
    return result;
}

void CardSession::take(const QByteArray &bytes)
{
    Card card = cardfile::parse(bytes);
    m_conflict.take(bytes);
    m_header = card.header;
    m_purchases.setPurchases(std::move(card.pokupki));
    m_cardChanged = false;
}

void CardSession::appendShown(const QList<TovarCls> &purchases)
{
    for (const TovarCls &p : purchases)
        m_purchases.append(p);
}

void CardSession::takeSeen()
{
    take(m_conflict.seen().bytes);
    if (NewMode())
        m_panel.setPokupkaNum(int(Pokupki().size()));
}

CardSession::DiskChange CardSession::checkDisk()
{
    if (m_curFile.isEmpty())
        return DiskChange::None;
    QByteArray now;
    const FileError error = safefile::readFile(m_bazaPath + m_curFile, now);
    if (error != FileError::None && error != FileError::NotFound)
        return DiskChange::None;
    QList<TovarCls> added;
    switch (m_conflict.look(error == FileError::NotFound ? nullptr : &now, &added)) {
    case CardConflict::Found::Nothing:
        return DiskChange::None;
    case CardConflict::Found::Appended:
        appendShown(added);
        return DiskChange::Appended;
    case CardConflict::Found::Changed:
        return DiskChange::Changed;
    case CardConflict::Found::Gone:
        return DiskChange::Gone;
    }
    return DiskChange::None;
}

void CardSession::toldOfChange()
{
    m_conflict.tellSeen();
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
    if (result.conflict != Conflict::None)
        m_writer.follow(result.fileName, false); // the search shows the card as it is now
    if (result.error != FileError::None || result.conflict != Conflict::None)
        return result;
    if (corrected && corrected->fileName == result.fileName)
        m_undo.append(*corrected);
    m_header = header;
    // A new card, a customer renamed, or an entry a rescan lost: the index entry follows.
    bool entryLost = false;
    if (!m_curFile.isEmpty() &&
        (m_cardIndex >= m_index.KlientCount() || m_index.at(m_cardIndex).FileName != m_curFile)) {
        m_cardIndex = m_index.findFile(m_curFile);
        entryLost = m_cardIndex < 0;
    }
    if (m_cardChanged || m_curFile.isEmpty() || entryLost) {
        m_cardIndex = m_writer.setEntry(result.fileName, header, m_curFile.isEmpty() ? -1 : m_cardIndex);
        result.indexChanged = true;
        m_cardChanged = false;
    }
    m_curFile = result.fileName;
    return result;
}

CardSession::SaveResult CardSession::saveNew(const CardHeader &header)
{
    SaveResult result;
    // A new card for someone already in the base: worth a word, never a stop.
    result.twin = m_index.findNearCustomer(header.familiya, header.telDom, header.telRab);
    const QByteArray bytes = cardfile::serialize({header, Pokupki()});
    // A name still in the index belongs to a card removed by hand since the last scan.
    const auto nameFor = [this](int k) {
        QString name = cardName(++k);
        while (m_index.findFile(name) >= 0)
            name = cardName(++k);
        return name;
    };
    result.error = m_writer.create(nameFor, bytes, &result.fileName);
    if (result.error == FileError::None)
        m_conflict.written(bytes);
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
    result.error = m_writer.rewrite(
        m_curFile,
        [&](const QByteArray *current) {
            CardWriter::Change change;
            if (!m_conflict.mayWriteOver(current, &appended)) {
                result.conflict = current ? Conflict::Changed : Conflict::Gone;
                return change;
            }
            Card card = ours;
            card.pokupki += appended;
            change.bytes = cardfile::serialize(card);
            change.purchasesAfter = int(card.pokupki.size());
            return change;
        },
        nullptr, &written);
    if (result.error == FileError::None && result.conflict == Conflict::None) {
        m_conflict.written(written);
        appendShown(appended);
        result.appended = int(appended.size());
    }
    return result;
}

void CardSession::startNewPurchase()
{
    m_panel.startNew(int(Pokupki().size()));
}

const TovarCls &CardSession::showPurchase(int row, const NewTovarCls &typed)
{
    const TovarCls &shown = Pokupki()[row];
    m_panel.show(row, shown, typed);
    return shown;
}

const NewTovarCls &CardSession::restore()
{
    return m_panel.restore();
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
    result.error = m_writer.rewrite(
        result.fileName,
        [&](const QByteArray *current) {
            CardWriter::Change change;
            if (!current) {
                change.error = FileError::NotFound; // a card is never made by a sale
                return change;
            }
            change.bytes = safefile::withBlockAppended(*current, cardfile::serializePurchase(purchase));
            change.keepVersion = false; // a sale only appends: the card before it is the card after
            return change;
        },
        &before, &after);
    result.cataloguePosition = addToCatalogue(purchase.Tovar);
    if (result.error != FileError::None) {
        // The sale is not recorded: everything typed stays in the panel for another try.
        result.outcome = RecordResult::Failed;
        return result;
    }
    // The open card stays true to its file: any sales another till added meanwhile, then this one
    // as it was typed.
    if (!m_curFile.isEmpty() && result.fileName == m_curFile) {
        QList<TovarCls> added;
        m_conflict.appendedHere(before, after, &added);
        appendShown(added);
        m_purchases.append(purchase);
    }
    return result;
}

bool CardSession::correctShownPurchase(const TovarCls &edited)
{
    const int shown = PokupkaNum();
    if (NewMode() || shown < 0 || shown >= Pokupki().size())
        return false;
    TovarCls p = withItems(edited);
    // A month the list cannot show is kept as the card had it.
    if (p.Mesac < 0)
        p.Mesac = Pokupki()[shown].Mesac;
    m_correcting = UndoStep{m_curFile, shown, Pokupki()[shown], p};
    m_purchases.replace(shown, p);
    return true;
}

CardSession::SaveResult CardSession::deletePurchase(int row, const CardHeader &header, bool *shownDeleted)
{
    const TovarCls deleted = Pokupki()[row];
    const int shownBefore = PokupkaNum();
    m_purchases.remove(row);
    *shownDeleted = !NewMode() && row == shownBefore;
    // The purchase shown moves up with the lines below the deleted one.
    if (!NewMode() && row < shownBefore)
        m_panel.setPokupkaNum(shownBefore - 1);
    SaveResult result = save(header);
    if (result.error != FileError::None || result.conflict != Conflict::None) {
        // Not deleted on disk: the list keeps showing what the file holds.
        m_purchases.insert(row, deleted);
        m_panel.setPokupkaNum(shownBefore);
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
