#include "ImageButton.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>

#include <cstdio>
#include <sys/stat.h>

using testfiles::crlf;

namespace {

QStringList withBlock(QStringList card, const QStringList &block)
{
    return card << block;
}

} // namespace

class TestPurchasePanel : public QObject {
    Q_OBJECT

private:
    static QString title(WindowFixture &f) { return f.find<QLabel>("Label1_1")->text(); }

private slots:
    void recordsASaleTypedWithTheEnterLoop()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        f.type(f.pk(P::Familiya), "иванов");
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Иванов"));
        f.enter(f.pk(P::Familiya));
        QCOMPARE(f.focused(), f.pk(P::Telephon1));
        typeKeys(f.pk(P::Telephon1), "123");
        f.enter(f.pk(P::Telephon1));
        f.enter(f.pk(P::Telephon2));
        QCOMPARE(f.focused(), f.pk(P::Day));
        f.pk(P::Day)->clear();
        f.enter(f.pk(P::Day));
        QCOMPARE(f.focused(), f.pk(P::Day)); // an empty day stays
        typeKeys(f.pk(P::Day), "7");
        f.enter(f.pk(P::Day));
        QCOMPARE(f.focused(), f.combo("PokupkaMesac"));
        f.combo("PokupkaMesac")->setCurrentIndex(4);
        f.enter(f.combo("PokupkaMesac"));
        f.pk(P::God)->clear();
        typeKeys(f.pk(P::God), "2");
        f.enter(f.pk(P::God)); // one digit is enough to move on
        QCOMPARE(f.focused(), f.combo("PokupkaTovar"));
        typeKeys(f.combo("PokupkaTovar"), "пылесос");
        f.enter(f.combo("PokupkaTovar"));
        typeKeys(f.pk(P::Summa), "4990,5");
        f.enter(f.pk(P::Summa));
        QCOMPARE(f.focused(), f.pk(P::Izdelie));
        for (const QString &s : {QStringLiteral("Щётка"), QStringLiteral("SN-1"), QStringLiteral("Фильтр"),
                                 QStringLiteral("F/2")})
            typeKeys(f.focused(), s), f.enter(f.focused());
        QCOMPARE(f.lines("IzdelieLst"), (QStringList{" 1 Щётка №SN-1", " 2 Фильтр №F/2"}));
        QCOMPARE(f.focused(), f.pk(P::Izdelie));
        f.clickOK();

        QVERIFY(f.dialogs.messages.isEmpty());
        QCOMPARE(f.card("00000001.dat"),
                 crlf(withBlock(ivanovCard(), {"7", " 4 ", "2", "Пылесос", "4990,5", " 4 ", "Щётка", "SN-1",
                                               "Фильтр", "F/2"})));
        // The panel is ready for the next sale.
        for (int i : {0, 1, 2, 5, 6, 7})
            QVERIFY(f.pk(P(i))->text().isEmpty());
        QVERIFY(f.combo("PokupkaTovar")->currentText().isEmpty());
        QVERIFY(f.lines("IzdelieLst").isEmpty());
        QCOMPARE(f.pk(P::Day)->text(), QString::number(QDate::currentDate().day()));
        QCOMPARE(f.focused(), f.pk(P::Familiya));
        QVERIFY(w.session().TovaryChanged());
    }

    void unknownCustomerGetsACardThenTheSale()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        f.typePurchase("Сидоров", "44", "", "Утюг", "100", {"Утюг", "U1"});
        f.clickOK();
        QCOMPARE(
            f.dialogs.takeMessage(),
            QStringLiteral("Покупатель Сидоров не найден.\r\nЗаполните учётную карточку и сохраните её."));
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("Сидоров"));
        QCOMPARE(f.bz(BzD::TelDom)->text(), QStringLiteral("44"));
        QCOMPARE(f.focused(), f.bz(BzD::Otchestvo));
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Сидоров")); // the sale waits in the panel
        QCOMPARE(f.lines("IzdelieLst").size(), 1);

        f.type(f.bz(BzD::Imya), "Семён");
        f.type(f.bz(BzD::DenRozhd), "9");
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));
        f.clickOK();
        QVERIFY(f.dialogs.messages.isEmpty());
        const QStringList header{"Сидоров", "Семён", "", "44", "", "9", " 0 ", "19"};
        const QString day = QString::number(QDate::currentDate().day());
        const QString month = QStringLiteral(" %1 ").arg(QDate::currentDate().month() - 1);
        const QString year = QString::number(QDate::currentDate().year());
        QCOMPARE(f.card("00000002.dat"),
                 crlf(withBlock(header, {day, month, year, "Утюг", "100", " 2 ", "Утюг", "U1"})));
        // The open card shows the sale too, and a later save keeps it.
        QCOMPARE(f.lines("PokupkiLst"), QStringList{" 1 Утюг"});
        w.FileSave_Click();
        QCOMPARE(f.card("00000002.dat"),
                 crlf(withBlock(header, {day, month, year, "Утюг", "100", " 2 ", "Утюг", "U1"})));
    }

    void requiredFieldsAreCheckedInOrder()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        const auto ok = [&] {
            w.kOK_Click();
            return f.dialogs.takeMessage();
        };
        QCOMPARE(ok(), QStringLiteral("Введите фамилию покупателя."));
        QCOMPARE(f.focused(), f.pk(P::Familiya));
        f.type(f.pk(P::Familiya), " ");
        f.pk(P::Day)->clear();
        QCOMPARE(ok(), QStringLiteral("Введите день покупки."));
        f.type(f.pk(P::Day), "1");
        f.pk(P::God)->clear();
        QCOMPARE(ok(), QStringLiteral("Введите год покупки."));
        f.type(f.pk(P::God), "1");
        QCOMPARE(ok(), QStringLiteral("Введите сумму товара."));
        f.type(f.pk(P::Summa), "1");
        QCOMPARE(ok(), QStringLiteral("Введите наименование товара."));
        QCOMPARE(f.focused(), f.combo("PokupkaTovar"));
        QVERIFY(!w.session().TovaryChanged());
    }

    void recordedPurchaseIsCorrectedAndSaved()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        f.typePurchase("Новиков", "1", "2", "Лампа", "5", {"Лампа", "L1", "Патрон", "P1"});
        w.OpenFile(0);
        f.selectLine("PokupkiLst", 1);
        QTest::keyClick(f.list("PokupkiLst"), Qt::Key_Return);
        QCOMPARE(title(f), QStringLiteral("Совершённая покупка"));
        QVERIFY(f.find("Back1")->isVisible());
        QVERIFY(!w.NewMode());
        QCOMPARE(w.PokupkaNum(), 1);
        QVERIFY(f.pk(P::Familiya)->text().isEmpty());
        QCOMPARE(f.pk(P::Day)->text(), QStringLiteral("1"));
        QCOMPARE(f.combo("PokupkaMesac")->currentIndex(), 5);
        QCOMPARE(f.combo("PokupkaTovar")->currentText(), QStringLiteral("Утюг"));
        QVERIFY(f.lines("IzdelieLst").isEmpty());

        f.combo("PokupkaTovar")->setEditText(QString());
        f.type(f.combo("PokupkaTovar"), "Утюг паровой");
        f.pk(P::Summa)->clear();
        f.type(f.pk(P::Summa), "350");
        f.type(f.pk(P::Izdelie), "Шнур");
        f.enter(f.pk(P::Izdelie));
        f.type(f.pk(P::SerNomer), "W9");
        f.enter(f.pk(P::SerNomer));
        f.clickOK();
        QStringList expected = ivanovCard();
        expected.replace(19, "Утюг паровой");
        expected.replace(20, "350");
        expected.replace(21, " 2 ");
        expected.insert(22, "Шнур");
        expected.insert(23, "W9");
        QCOMPARE(f.card("00000001.dat"), crlf(expected));
        QCOMPARE(f.lines("PokupkiLst")[1], QStringLiteral(" 2 Утюг паровой"));
        // Back to the sale that was being typed.
        QVERIFY(w.NewMode());
        QCOMPARE(title(f), QStringLiteral("Новая покупка"));
        QVERIFY(!f.find("Back1")->isVisible());
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Новиков"));
        QCOMPARE(f.lines("IzdelieLst"), (QStringList{" 1 Лампа №L1", " 2 Патрон №P1"}));
    }

    void putAsideSurvivesTwoShownPurchases()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        f.typePurchase("Орлов", "9", "", "Диван", "70", {"Диван", "D1", "Пуф", "P2"});
        f.type(f.pk(P::Izdelie), "недописанное");
        f.selectLine("PokupkiLst", 0);
        w.PokupkiLst_DblClick();
        QCOMPARE(f.lines("IzdelieLst"), QStringList{" 1 Пульт №ABC123"});
        f.selectLine("PokupkiLst", 2);
        w.PokupkiLst_DblClick();
        QCOMPARE(f.lines("IzdelieLst"), (QStringList{" 1 Чайник №S1", " 2 Подставка №S2"}));
        QCOMPARE(w.PokupkaNum(), 2);

        // "Новая покупка" empties the panel; the arrow brings the first sale back.
        f.find<QAction>("EditNewPokupka")->trigger();
        QVERIFY(f.find("Back1")->isVisible());
        QVERIFY(f.pk(P::Familiya)->text().isEmpty());
        QWidget *back1 = f.find("Back1");
        ImageButton::setCursorSource([back1] { return back1->mapToGlobal(QPoint(5, 5)); });
        QTest::mouseClick(back1, Qt::LeftButton, {}, QPoint(5, 5));
        ImageButton::setCursorSource({});
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Орлов"));
        QCOMPARE(f.combo("PokupkaTovar")->currentText(), QStringLiteral("Диван"));
        QCOMPARE(f.lines("IzdelieLst"), (QStringList{" 1 Диван №D1", " 2 Пуф №P2"}));
        QCOMPARE(w.Izdeliya().mid(0, 4), (QStringList{"Диван", "D1", "Пуф", "P2"}));
        QVERIFY(!f.find("Back1")->isVisible());
    }

    void deletingPurchases()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);

        // "No" changes nothing; the question shows the line as displayed.
        f.dialogs.answer = false;
        f.selectLine("PokupkiLst", 2);
        QTest::keyClick(f.list("PokupkiLst"), Qt::Key_Delete);
        QCOMPARE(f.dialogs.questions.takeFirst(), QStringLiteral("Удалить товар  3 Чайник?"));
        QCOMPARE(w.Pokupki().size(), 3);
        f.dialogs.answer = true;

        // Show the third purchase, delete the first: the shown purchase moves up with its line.
        w.PokupkiLst_DblClick();
        f.selectLine("PokupkiLst", 0);
        w.DelPokupku1_Click();
        QCOMPARE(f.lines("PokupkiLst"), (QStringList{" 1 Утюг", " 2 Чайник"}));
        QCOMPARE(f.currentRow("PokupkiLst"), 0);
        QCOMPARE(w.PokupkaNum(), 1);
        f.pk(P::Summa)->clear();
        f.type(f.pk(P::Summa), "13");
        f.clickOK();
        QCOMPARE(w.Pokupki()[1].Summa, QStringLiteral("13"));
        QCOMPARE(w.Pokupki()[1].Tovar, QStringLiteral("Чайник"));
        QCOMPARE(cardfile::parse(f.card("00000001.dat")).pokupki, w.Pokupki());

        // Deleting the shown purchase brings the new sale back.
        f.selectLine("PokupkiLst", 1);
        w.PokupkiLst_DblClick();
        w.DelPokupku1_Click();
        QVERIFY(w.NewMode());
        QCOMPARE(f.currentRow("PokupkiLst"), 0); // the last line was deleted: the new last is selected
        w.DelPokupku1_Click();
        QVERIFY(f.lines("PokupkiLst").isEmpty());
        QCOMPARE(f.currentRow("PokupkiLst"), -1);
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard().mid(0, 8)));
    }

    void deletingItemsAndTheRightButton()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        f.selectLine("PokupkiLst", 2);
        w.PokupkiLst_DblClick();
        f.type(f.pk(P::Izdelie), "Крышка");
        f.enter(f.pk(P::Izdelie));
        f.type(f.pk(P::SerNomer), "K3");
        f.enter(f.pk(P::SerNomer));

        // The right button over another line opens the menu for the selected one.
        QListView *items = f.list("IzdelieLst");
        f.selectLine("IzdelieLst", 0);
        QTest::mousePress(items->viewport(), Qt::RightButton, {}, f.lineRect("IzdelieLst", 2).center());
        QCOMPARE(f.currentRow("IzdelieLst"), 0);
        auto *menu = f.find<QMenu>("DelIzdelie0");
        QTRY_VERIFY(menu->isVisible());
        menu->close();

        w.DelIzdelie1_Click();
        QCOMPARE(f.dialogs.questions.takeFirst(), QStringLiteral("Удалить изделие  1 Чайник №S1?"));
        QCOMPARE(f.lines("IzdelieLst"), (QStringList{" 1 Подставка №S2", " 2 Крышка №K3"}));
        QCOMPARE(f.currentRow("IzdelieLst"), 0);
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard())); // only OK writes the purchase
        f.selectLine("IzdelieLst", 1);
        QTest::keyClick(items, Qt::Key_Delete);
        QCOMPARE(f.lines("IzdelieLst"), QStringList{" 1 Подставка №S2"});
        QCOMPARE(f.currentRow("IzdelieLst"), 0);
    }

    void goodsCatalogueIsWrittenOnlyWhenItGrew()
    {
        WindowFixture f;
        QVERIFY(testfiles::writeAll(f.goodsPath(), crlf({"утюг", "Антенна"})));
        f.writeCard("00000001.dat", ivanovCard());
        f.open();
        QCOMPARE(f.combo("PokupkaTovar")->count(), 2);
        QCOMPARE(f.combo("PokupkaTovar")->itemText(0), QStringLiteral("Антенна"));
        f.typePurchase("Иванов", "123", "", "УТЮГ", "1");
        f.clickOK();
        f.close();
        QCOMPARE(testfiles::readAll(f.goodsPath()), crlf({"утюг", "Антенна"})); // untouched

        f.open();
        f.typePurchase("Иванов", "123", "", "Бра", "1");
        f.clickOK();
        QCOMPARE(f.combo("PokupkaTovar")->itemText(1), QStringLiteral("Бра"));
        f.w().close();
        QCOMPARE(testfiles::readAll(f.goodsPath()), crlf({"Антенна", "Бра", "утюг"}));

        // A read-only catalogue is reported on exit and left as it was.
        ::chmod(QFile::encodeName(f.goodsPath()).constData(), 0444);
        f.open();
        f.typePurchase("Иванов", "123", "", "Ваза", "1");
        f.clickOK();
        f.w().close();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Файл \"Товары.txt\" защищён от записи."));
        QCOMPARE(testfiles::readAll(f.goodsPath()), crlf({"Антенна", "Бра", "утюг"}));
    }

    void failedAppendKeepsTheSale()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        ::chmod(QFile::encodeName(f.cardPath("00000001.dat")).constData(), 0444);
        f.typePurchase("Иванов", "123", "", "Фен", "10", {"Фен", "F1"});
        f.clickOK();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Файл \"00000001.dat\" защищён от записи."));
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard()));
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Иванов"));
        QCOMPARE(f.lines("IzdelieLst").size(), 1);

        // The card vanished: reported, the folder rescanned, no file made of a lone purchase.
        QFile::remove(f.cardPath("00000001.dat"));
        f.clickOK();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Файл \"00000001.dat\" не найден."));
        QVERIFY(!QFile::exists(f.cardPath("00000001.dat")));
        QCOMPARE(w.shop().index().KlientCount(), 1);
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Иванов"));
    }

    void newCustomerWhileAPurchaseIsShownRestoresFirst()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        f.typePurchase("Орлов", "", "", "Диван", "70");
        w.OpenFile(0);
        f.selectLine("PokupkiLst", 0);
        w.PokupkiLst_DblClick();
        w.FileNewKlient_Click();
        QVERIFY(w.NewMode());
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Орлов"));
        QVERIFY(w.Pokupki().isEmpty());
    }

    void textTheCodePageCannotHoldIsRefused()
    {
        WindowFixture f;
        f.open();
        f.type(f.bz(BzD::Familiya), QStringLiteral("Kő"));
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("K"));
        QApplication::clipboard()->setText(QStringLiteral("Иван😀"));
        f.bz(BzD::Imya)->setFocus();
        QTest::keyClick(f.bz(BzD::Imya), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(f.bz(BzD::Imya)->text().isEmpty());
        QApplication::clipboard()->setText(QStringLiteral("Иван"));
        QTest::keyClick(f.bz(BzD::Imya), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.bz(BzD::Imya)->text(), QStringLiteral("Иван"));
        f.type(f.combo("PokupkaTovar"), QStringLiteral("Ваза😀"));
        QCOMPARE(f.combo("PokupkaTovar")->currentText(), QStringLiteral("Ваза"));
    }

    // Till A has Иванов's card open while till B records a sale for him: whatever A then writes,
    // B's sale stays on the card; a change made outside is not written over by the first Ctrl+S.
    void twoTillsOnOneCard_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("save") << "save";
        QTest::newRow("delete") << "delete";
        QTest::newRow("correct") << "correct";
    }
    void twoTillsOnOneCard()
    {
        QFETCH(QString, action);
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &a = f.open();
        a.OpenFile(0);
        Till till(f.baza(), f.goodsPath());
        FrmForma &b = till.window;
        b.finishStartUp();
        for (const auto &[name, text] : {std::pair{"PokupkaTxt_0", "Иванов"},
                                         {"PokupkaTxt_1", "123"},
                                         {"PokupkaTxt_5", "77"},
                                         {"PokupkaTovar", "Фен"}}) {
            QWidget *field = b.findChild<QWidget *>(name);
            field->setFocus();
            typeKeys(field, QString::fromUtf8(text));
        }
        b.kOK_Click();
        const QStringList sale = cardfile::firstLines(f.card("00000001.dat"), 38).mid(32);
        QCOMPARE(sale.value(3), QStringLiteral("Фен"));

        QStringList expected = ivanovCard();
        if (action == "save") {
            f.type(f.bz(BzD::Otchestvo), "у");
            expected[2] = "Ивановичу";
            f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        } else if (action == "delete") {
            f.dialogs.answer = true;
            f.selectLine("PokupkiLst", 1);
            a.DelPokupku1_Click();
            expected.remove(16, 6);
        } else {
            f.selectLine("PokupkiLst", 1);
            a.PokupkiLst_DblClick();
            f.type(f.pk(P::Summa), "0");
            f.clickOK();
            expected[20] = "3000";
        }
        QCOMPARE(f.dialogs.messages, QStringList());
        QCOMPARE(f.card("00000001.dat"), crlf(expected + sale));
        QCOMPARE(f.lines("PokupkiLst").size(), action == "delete" ? 3 : 4);

        // An outside edit of the header is reported, not written over; Ctrl+S again writes.
        QStringList outside = expected + sale;
        outside[3] = "999";
        f.writeCard("00000001.dat", outside);
        f.type(f.bz(BzD::Imya), "ч");
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        QVERIFY(f.dialogs.takeMessage().contains(QStringLiteral("изменена на другой кассе")));
        QCOMPARE(f.card("00000001.dat"), crlf(outside));
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(cardfile::parse(f.card("00000001.dat")).header.imya, QStringLiteral("Иванч"));
    }

    // What till B saves, till A sees without F5: a new customer takes sales at once, and the open
    // card changed elsewhere is shown afresh while nothing of it is edited here.
    void anotherTillsWorkIsSeen()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &a = f.open();
        Till till(f.baza(), f.goodsPath());
        FrmForma &b = till.window;
        b.finishStartUp();
        for (const auto &[box, text] : {std::pair{BzD::Familiya, "Сидоров"},
                                        {BzD::Imya, "Пётр"},
                                        {BzD::DenRozhd, "1"},
                                        {BzD::TelDom, "55"}})
            b.findChild<QLineEdit *>(QStringLiteral("BzDTxt_%1").arg(int(box)))
                ->setText(QString::fromUtf8(text));
        b.FileSave_Click();
        f.typePurchase("сидоров", "55", "", "Фен", "10");
        f.clickOK();
        QCOMPARE(f.dialogs.messages, QStringList());
        QCOMPARE(cardfile::parse(f.card("00000002.dat")).pokupki.size(), 1);
        QTRY_COMPARE(a.shop().index().KlientCount(), 2);

        a.OpenFile(0);
        f.pk(P::Summa)->setFocus();
        QStringList outside = ivanovCard();
        outside[3] = "999";
        const QString temporary = f.baza() + ".outside";
        testfiles::writeAll(temporary, crlf(outside));
        // Renamed over the card, as another till writes.
        QCOMPARE(std::rename(QFile::encodeName(temporary).constData(),
                             QFile::encodeName(f.cardPath("00000001.dat")).constData()),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.bz(BzD::TelDom)->text(), QStringLiteral("999"), 3000);
        QCOMPARE(f.focused(), f.pk(P::Summa));
        QVERIFY(!a.CardChanged());
        QCOMPARE(f.dialogs.messages, QStringList());
    }

    // A card's odd day and year lines come back as they were; a pasted line break stays one line.
    void oddDatesSurviveAndPastesStayOneLine()
    {
        WindowFixture f;
        QStringList card{"Сидоров", "Пётр", "",    "11",      "22",   "123", " 0 ",
                         "19700",   "05.",  " 1 ", "2020 г.", "Утюг", "300", " 0 "};
        f.writeCard("00000001.dat", card);
        FrmForma &w = f.open();
        w.OpenFile(0);
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(f.card("00000001.dat"), crlf(card));

        f.selectLine("PokupkiLst", 0);
        QTest::keyClick(f.list("PokupkiLst"), Qt::Key_Return);
        f.pk(P::Summa)->clear();
        f.type(f.pk(P::Summa), "350");
        f.clickOK();
        card[12] = "350";
        QCOMPARE(f.card("00000001.dat"), crlf(card));

        const auto paste = [&](QWidget *field, const char *text) {
            QApplication::clipboard()->setText(QString::fromUtf8(text));
            field->setFocus();
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        };
        f.typePurchase("сидоров", "11", "22", "", "99");
        paste(f.combo("PokupkaTovar"), "Фен\r\n7");
        paste(f.pk(P::Izdelie), "\tпульт\n");
        f.type(f.pk(P::SerNomer), "S1");
        f.enter(f.pk(P::SerNomer));
        f.clickOK();
        const QString month = QStringLiteral(" %1 ").arg(f.combo("PokupkaMesac")->currentIndex());
        card += QStringList{
            f.pk(P::Day)->text(), month, f.pk(P::God)->text(), "Фен 7", "99", " 2 ", "пульт", "S1"};
        QCOMPARE(f.card("00000001.dat"), crlf(card));
        QCOMPARE(f.dialogs.messages, QStringList());
    }
};

QTEST_MAIN(TestPurchasePanel)
#include "tst_purchasepanel.moc"
