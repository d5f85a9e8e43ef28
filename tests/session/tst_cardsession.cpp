#include "BazaScan.h"
#include "CardSearch.h"
#include "CardSession.h"
#include "ChangeWords.h"
#include "FileName.h"
#include "KlientIndex.h"
#include "LineForms.h"
#include "SafeFile.h"
#include "TestFiles.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using testfiles::crlf;

namespace {

// A session over a fresh data folder holding Иванов's card with two purchases.
struct Fixture {
    QTemporaryDir dir;
    QString baza = dir.path() + QStringLiteral("/База/");
    KlientIndex index;
    CardSearch search{baza};
    CardSession session{baza, index, search};
    QAbstractItemModelTester purchasesTester{&session.pokupkiModel()};
    QAbstractItemModelTester itemsTester{&session.izdeliyaModel()};
    const QStringList ivanov{"Иванов", "Иван", "",    "1",    "2",  "5", " 2 ", "1970", "1",   " 0 ", "2005",
                             "Утюг",   "300",  " 2 ", "Шнур", "S1", "3", " 4 ", "2010", "Фен", "90",  " 0 "};

    Fixture()
    {
        QDir().mkpath(baza);
        testfiles::writeAll(baza + "00000001.dat", crlf(ivanov));
        index.replaceAll(bazascan::scan(baza));
    }
    QByteArray card(const QString &name = QStringLiteral("00000001.dat")) const
    {
        return testfiles::readAll(baza + name);
    }
    NewTovarCls sale(const QString &surname, const QString &tovar) const
    {
        NewTovarCls s;
        s.Familiya = surname;
        s.Telephon1 = "1";
        s.Telephon2 = "2";
        s.Day = "7";
        s.Mesac = 6;
        s.God = "2024";
        s.Tovar = tovar;
        s.Summa = "10";
        return s;
    }
};

QStringList lines(QAbstractItemModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.index(r, 0).data().toString();
    return out;
}

} // namespace

class TestCardSession : public QObject {
    Q_OBJECT

private slots:
    void lineForms()
    {
        QCOMPARE(lineforms::pokupkaLine(3, "Телевизор"), QStringLiteral(" 3 Телевизор"));
        QCOMPARE(lineforms::izdelieLine(12, "Пульт", "ABC"), QStringLiteral(" 12 Пульт №ABC"));
        QCOMPARE(lineforms::izdelieLine(1, "", "S"), QStringLiteral(" 1  №S"));
    }

    void requiredFieldsInOrder()
    {
        CardHeader h{"Ф", "И", "", "", "", "1", 0, "1970"};
        QVERIFY(!CardSession::checkCard(h));
        h.denRozhd.clear();
        h.imya.clear();
        QCOMPARE(CardSession::checkCard(h)->box, BzD::Imya);
        NewTovarCls s;
        QCOMPARE(CardSession::checkSale(s, true)->box, PokupkaField::Familiya);
        QCOMPARE(CardSession::checkSale(s, false)->box, PokupkaField::Day);
        s.Day = s.God = s.Summa = "1";
        QCOMPARE(CardSession::checkSale(s, false)->box, std::nullopt); // the goods field
    }

    // Open, show a purchase, correct it, delete one, save: the file and the lines follow.
    void openShowCorrectDeleteSave()
    {
        Fixture f;
        QCOMPARE(f.session.open(0).error, FileError::None);
        QCOMPARE(lines(f.session.pokupkiModel()), (QStringList{" 1 Утюг", " 2 Фен"}));
        f.session.izdeliyaModel().append("Лампа", "L1");
        const TovarCls &shown = f.session.showPurchase(0, f.sale("Новиков", "Лампа"));
        QCOMPARE(shown.Tovar, QStringLiteral("Утюг"));
        QCOMPARE(lines(f.session.izdeliyaModel()), QStringList{" 1 Шнур №S1"});
        QCOMPARE(f.session.SavedNewPokupka().items(), (QStringList{"Лампа", "L1"}));

        TovarCls edited = shown;
        edited.Summa = "350";
        edited.Mesac = -1; // a month the list cannot show keeps the card's
        QVERIFY(f.session.correctShownPurchase(edited));
        bool shownDeleted = true;
        QCOMPARE(f.session.deletePurchase(1, f.session.header(), &shownDeleted).error, FileError::None);
        QVERIFY(!shownDeleted);
        QCOMPARE(f.session.PokupkaNum(), 0);
        QStringList expected = f.ivanov.mid(0, 14);
        expected << "Шнур"
                 << "S1";
        expected[12] = "350";
        QCOMPARE(f.card(), crlf(expected));
        // A deletion that cannot be written leaves the purchase where the file has it.
        QVERIFY(QDir().rename(f.baza, f.dir.path() + "/away"));
        QVERIFY(f.session.deletePurchase(0, f.session.header(), &shownDeleted).error != FileError::None);
        QVERIFY(!shownDeleted);
        QCOMPARE(lines(f.session.pokupkiModel()), QStringList{" 1 Утюг"});
        QCOMPARE(f.session.PokupkaNum(), 0);
        QVERIFY(QDir().rename(f.dir.path() + "/away", f.baza));
        QCOMPARE(f.session.restore().Familiya, QStringLiteral("Новиков"));
        QCOMPARE(f.session.Izdeliya(), (QStringList{"Лампа", "L1"}));
        QVERIFY(f.session.NewMode());
    }

    // Another hand changed the open card before this program saved it.
    void savingChecksTheCardOnDisk_data()
    {
        QTest::addColumn<QString>("otherHand");
        QTest::addColumn<int>("conflict");
        QTest::addColumn<int>("appended");
        QTest::newRow("nothing") << "" << int(CardSession::Conflict::None) << 0;
        QTest::newRow("a sale appended") << "append" << int(CardSession::Conflict::None) << 1;
        QTest::newRow("phone edited") << "header" << int(CardSession::Conflict::Changed) << 0;
        QTest::newRow("purchase removed") << "remove" << int(CardSession::Conflict::Changed) << 0;
        QTest::newRow("card deleted") << "delete" << int(CardSession::Conflict::Gone) << 0;
    }
    void savingChecksTheCardOnDisk()
    {
        QFETCH(QString, otherHand);
        QFETCH(int, conflict);
        QFETCH(int, appended);
        Fixture f;
        f.session.open(0);
        const QString path = f.baza + "00000001.dat";
        QStringList theirs = f.ivanov;
        if (otherHand == "append")
            QCOMPARE(safefile::appendToFile(path, cardfile::serializePurchase(f.sale("Иванов", "Чайник"))),
                     FileError::None);
        else if (otherHand == "header")
            theirs[3] = "999";
        else if (otherHand == "remove")
            theirs = theirs.mid(0, 14);
        if (otherHand == "header" || otherHand == "remove")
            testfiles::writeAll(path, crlf(theirs));
        if (otherHand == "delete")
            QFile::remove(path);
        const QByteArray before = f.card();

        CardHeader mine = f.session.header();
        mine.imya = "Иоанн";
        f.session.setCardChanged();
        const auto saved = f.session.save(mine);
        QCOMPARE(int(saved.conflict), conflict);
        QCOMPARE(saved.appended, appended);
        QCOMPARE(f.session.Pokupki().size(), 2 + appended);
        const Card expected{mine, f.session.Pokupki()};
        if (conflict != int(CardSession::Conflict::None)) {
            QCOMPARE(f.card(), before);                                           // nothing written
            QCOMPARE(f.session.save(mine).conflict, CardSession::Conflict::None); // the operator's choice
        }
        QCOMPARE(f.card(), cardfile::serialize(expected));
    }

    // Told of a change elsewhere (at once, or by a refused save), the operator may write over it,
    // but never over a sale another till records after that.
    void writingOverAChangeKeepsLaterSales_data()
    {
        QTest::addColumn<bool>("toldAtOnce");
        QTest::newRow("told by a refused save") << false;
        QTest::newRow("told at once") << true;
    }
    void writingOverAChangeKeepsLaterSales()
    {
        QFETCH(bool, toldAtOnce);
        Fixture f;
        f.session.open(0);
        QStringList outside = f.ivanov;
        outside[1] = "Павел";
        testfiles::writeAll(f.baza + "00000001.dat", crlf(outside));
        if (toldAtOnce) {
            QCOMPARE(f.session.checkDisk(), CardSession::DiskChange::Changed);
            f.session.toldOfChange();
            QCOMPARE(f.session.checkDisk(), CardSession::DiskChange::None); // told once only
        }
        QCOMPARE(f.session.save(f.session.header()).conflict, CardSession::Conflict::Changed);
        QCOMPARE(f.session.checkDisk(), CardSession::DiskChange::None);

        const TovarCls sale = f.sale("Иванов", "Плойка");
        QCOMPARE(safefile::appendToFile(f.baza + "00000001.dat", cardfile::serializePurchase(sale)),
                 FileError::None);
        QCOMPARE(f.session.checkDisk(), CardSession::DiskChange::Appended);
        QCOMPARE(lines(f.session.pokupkiModel()).last(), QStringLiteral(" 3 Плойка"));
        const auto saved = f.session.save(f.session.header());
        QCOMPARE(saved.conflict, CardSession::Conflict::None);
        const Card card = cardfile::parse(f.card());
        QCOMPARE(card.header.imya, QStringLiteral("Иван"));
        QCOMPARE(card.pokupki.size(), 3);
        QCOMPARE(card.pokupki.last().Tovar, QStringLiteral("Плойка"));
    }

    void recordingFindsTheCustomerOrSaysWhy()
    {
        Fixture f;
        f.session.open(0);
        QCOMPARE(f.session.recordSale(f.sale("Петров", "Чайник")).outcome,
                 CardSession::RecordResult::NoCustomer);
        const auto recorded = f.session.recordSale(f.sale("иванов", "Чайник"));
        QCOMPARE(recorded.outcome, CardSession::RecordResult::Recorded);
        QCOMPARE(recorded.cataloguePosition, 0);
        QCOMPARE(lines(f.session.pokupkiModel()).last(), QStringLiteral(" 3 Чайник"));
        QCOMPARE(f.session.recordSale(f.sale("Иванов", "чайник")).cataloguePosition, -1);

        QFile::remove(f.baza + "00000001.dat");
        const auto failed = f.session.recordSale(f.sale("Иванов", "Чайник"));
        QCOMPARE(failed.outcome, CardSession::RecordResult::Failed);
        QCOMPARE(failed.error, FileError::NotFound);
        QCOMPARE(f.session.Pokupki().size(), 4);
        QCOMPARE(f.session.open(0).error, FileError::NotFound); // the card shown stays
        QCOMPARE(f.session.CurFile(), QStringLiteral("00000001.dat"));
    }

    // Each write that replaces a card's bytes keeps them as a version; undo and restoring a version
    // work on the card as it is now, so a sale another till recorded meanwhile stays.
    void versionsUndoAndRestoreKeepOtherTillsSales()
    {
        Fixture f;
        const QByteArray original = f.card();
        QCOMPARE(f.session.open(0).error, FileError::None);
        TovarCls corrected = f.session.showPurchase(0, f.sale("", ""));
        corrected.Summa = "350";
        QVERIFY(f.session.correctShownPurchase(corrected));
        QCOMPARE(f.session.save(f.session.header()).error, FileError::None);
        f.session.restore();
        bool shownDeleted = false;
        QCOMPARE(f.session.deletePurchase(1, f.session.header(), &shownDeleted).error, FileError::None);
        QCOMPARE(f.session.save(f.session.header()).error, FileError::None); // same bytes: no version
        QCOMPARE(safefile::appendToFile(f.baza + "00000001.dat",
                                        cardfile::serializePurchase(f.sale("Иванов", "Плойка"))),
                 FileError::None); // another till's sale: no version either
        QList<CardVersion> versions = f.session.history().versions("00000001.dat");
        QCOMPARE(versions.size(), 2);
        QCOMPARE(versions[0].bytes, original);
        QVERIFY(versionLine(versions[0], versions[1].bytes).endsWith("изменена сумма покупки 1: 300 → 350"));
        QVERIFY(versionLine(versions[1], f.card()).endsWith("удалена покупка 2 Фен"));

        // Undo: the deletion, then the correction; the other till's sale stays last.
        QVERIFY(f.session.canUndo());
        QVERIFY(f.session.undo().openCardChanged);
        QCOMPARE(lines(f.session.pokupkiModel()), (QStringList{" 1 Утюг", " 2 Фен", " 3 Плойка"}));
        QCOMPARE(f.session.undo().error, FileError::None);
        QVERIFY(!f.session.canUndo());
        const Card undone = cardfile::parse(f.card());
        QCOMPARE(undone.pokupki[0].Summa, QStringLiteral("300"));
        QCOMPARE(undone.pokupki.size(), 3);

        // Restoring the card as it was corrected, before the deletion: the sale recorded since
        // stays after its purchases.
        versions = f.session.history().versions("00000001.dat");
        QCOMPARE(versions.size(), 4);
        const auto restored = f.session.restoreVersion("00000001.dat", versions[1]);
        QCOMPARE(restored.error, FileError::None);
        QCOMPARE(restored.kept, 1);
        QVERIFY(f.card().startsWith(versions[1].bytes));
        QCOMPARE(lines(f.session.pokupkiModel()), (QStringList{" 1 Утюг", " 2 Фен", " 3 Плойка"}));
        QCOMPARE(f.session.history().versions("00000001.dat").size(), 5);

        // A file where the history belongs: nothing is written, and the message says why. Junk
        // in a history file is no version and does not stop the write.
        const QByteArray card = f.card();
        QVERIFY(QDir(f.baza + ".history").removeRecursively() &&
                testfiles::writeAll(f.baza + ".history", "x"));
        CardHeader header = f.session.header();
        header.telDom = "999";
        f.session.setCardChanged();
        const auto refused = f.session.save(header);
        QCOMPARE(refused.error, FileError::Planted);
        QVERIFY(writeFailureMessage("00000001.dat", refused.error).contains(QStringLiteral("\".history\"")));
        QCOMPARE(f.card(), card);
        QVERIFY(QFile::remove(f.baza + ".history") && QDir().mkpath(f.baza + ".history"));
        QVERIFY(testfiles::writeAll(f.baza + ".history/00000001.dat.v", "junk\n\0\xff"));
        QCOMPARE(f.session.save(header).error, FileError::None);
        QCOMPARE(f.session.history().versions("00000001.dat").size(), 1);
    }

    // A card named by a Windows program (Windows-1251 bytes, not UTF-8) is read, recorded into and
    // saved under its own name; messages show the name readable.
    void aWindowsNamedCardIsWrittenByItsBytes()
    {
        Fixture f;
        const QByteArray name = cp1251::encode(u"Петров.dat");
        const QByteArray folder = QFile::encodeName(f.baza);
        QStringList petrov = f.ivanov.mid(0, 11);
        petrov[0] = "Петров";
        QVERIFY(testfiles::writeAll(f.baza + "x", crlf(petrov)));
        QVERIFY(::rename((folder + "x").constData(), (folder + name).constData()) == 0);
        f.index.replaceAll(bazascan::scan(f.baza));
        const int row = f.index.findFile(filename::decode(name));
        QCOMPARE(f.index.at(row).Familiya, QStringLiteral("Петров"));
        QCOMPARE(f.session.open(row).error, FileError::None);
        QCOMPARE(f.session.recordSale(f.sale("Петров", "Чайник")).outcome,
                 CardSession::RecordResult::Recorded);
        CardHeader header = f.session.header();
        header.imya = "Пётр";
        QCOMPARE(f.session.save(header).error, FileError::None);
        std::ifstream written((folder + name).constData(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(written), {}};
        const Card card = cardfile::parse(QByteArray::fromStdString(bytes));
        QCOMPARE(card.header.imya, QStringLiteral("Пётр"));
        QCOMPARE(card.pokupki.last().Tovar, QStringLiteral("Чайник"));
        QCOMPARE(bazascan::listCardFiles(f.baza).size(), 2);
        QCOMPARE(fileMessage(filename::decode(name), FileMessage::NotFound),
                 QStringLiteral("Файл \"Петров.dat\" не найден."));
        // Names QTemporaryDir cannot remove.
        ::unlink((folder + name).constData());
        ::unlink((folder + ".history/" + name + ".v").constData());
    }

    void newCardsTakeAFreeNameAndAFailedSaveChangesNothing()
    {
        Fixture f;
        testfiles::writeAll(f.baza + "00000002.dat", {}); // taken since the scan
        f.session.newCard();
        const CardHeader twin{"Иванов", "Пётр", "", "1", "2", "1", 0, "1980"};
        const auto saved = f.session.save(twin);
        QCOMPARE(saved.fileName, QStringLiteral("00000003.dat"));
        QCOMPARE(saved.twin, 0);
        QVERIFY(saved.indexChanged);
        QCOMPARE(f.index.at(f.session.CardIndex()).FileName, QStringLiteral("00000003.dat"));

        f.session.newCard();
        QVERIFY(QDir().rename(f.baza, f.dir.path() + "/away")); // the folder is gone
        const auto refused = f.session.save(twin);
        QVERIFY(refused.error != FileError::None);
        QVERIFY(f.session.CurFile().isEmpty());
        QCOMPARE(f.index.KlientCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestCardSession)
#include "tst_cardsession.moc"
