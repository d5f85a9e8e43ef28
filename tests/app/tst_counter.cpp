#include "WindowFixture.h"

#include <QLabel>

#include <sys/stat.h>

using testfiles::crlf;

// At the counter: Ctrl+Enter records, the receipt line tells what each write did, a sale goes to
// the open customer or to the near match of a mistyped surname, Ctrl+Z falls through to the
// program's undo.
class TestCounter : public QObject {
    Q_OBJECT

private:
    static QString receipt(WindowFixture &f) { return f.find<QLabel>(QStringLiteral("ReceiptLine"))->text(); }

private slots:
    void ctrlEnterRecordsAsOkDoes_data()
    {
        QTest::addColumn<QString>("field");
        QTest::newRow("sum") << "PokupkaTxt_5";
        QTest::newRow("goods") << "PokupkaTovar";
        QTest::newRow("surname") << "PokupkaTxt_0";
        QTest::newRow("item list") << "IzdelieLst";
    }
    void ctrlEnterRecordsAsOkDoes()
    {
        QFETCH(QString, field);
        WindowFixture f;
        f.writeCard("00000001.dat", petrovCard());
        f.open();
        f.typePurchase("Петров", "555", "777", "Фен", "700", {"Фен", "Ф-1"});
        QWidget *from = f.find(field);
        from->setFocus();
        QTest::keyClick(from, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(f.dialogs.messages, QStringList());
        const QString date = QStringLiteral("%1\r\n %2 \r\n%3\r\n")
                                 .arg(QDate::currentDate().day())
                                 .arg(QDate::currentDate().month() - 1)
                                 .arg(QDate::currentDate().year());
        QCOMPARE(f.card("00000001.dat"),
                 crlf(petrovCard()) + date.toLatin1() + crlf({"Фен", "700", " 2 ", "Фен", "Ф-1"}));
        QCOMPARE(receipt(f), QStringLiteral("Покупка записана: Петров Пётр, 00000001.dat — Фен, 700"));
        QCOMPARE(f.pk(P::Summa)->text(), QString()); // the panel is ready for the next sale
    }

    // What the line says after each kind of write, and in red after a failure.
    void receiptLineTellsEachWrite_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("red");
        QTest::newRow("new card, sale waiting")
            << "new card"
            << "Карточка сохранена: 00000002.dat — покупка ещё не записана: OK или Ctrl+Enter" << false;
        QTest::newRow("shown")
            << "show"
            << "Показана покупка 2 от 01.06.2010 — OK исправит её. Новая покупка: Ctrl+Shift+N" << false;
        QTest::newRow("correction") << "correct"
                                    << "Покупка 2 исправлена" << false;
        QTest::newRow("deletion") << "delete"
                                  << "Покупка 1 удалена (Ctrl+Z — вернуть)" << false;
        QTest::newRow("undo by Ctrl+Z in an empty box")
            << "undo"
            << "Последнее удаление или исправление отменено" << false;
        QTest::newRow("failure") << "fail"
                                 << "Покупка не записана. Файл \"00000001.dat\" защищён от записи." << true;
    }
    void receiptLineTellsEachWrite()
    {
        QFETCH(QString, action);
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        if (action == "new card") {
            f.typePurchase("Сидоров", "1", "2", "Фен", "100");
            f.clickOK();
            QVERIFY(f.dialogs.takeMessage().contains(QStringLiteral("не найден")));
            f.type(f.bz(BzD::Imya), "Олег");
            f.type(f.bz(BzD::DenRozhd), "3");
            f.type(f.bz(BzD::GodRozhd), "80");
            f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        } else if (action == "fail") {
            ::chmod(QFile::encodeName(f.cardPath("00000001.dat")).constData(), 0444);
            f.typePurchase("Иванов", "123", "", "Фен", "100");
            f.clickOK();
        } else {
            w.OpenFile(0);
            f.selectLine("PokupkiLst", action == "delete" || action == "undo" ? 0 : 1);
            if (action == "delete" || action == "undo") {
                QTest::keyClick(f.list("PokupkiLst"), Qt::Key_Delete);
            } else {
                f.enter(f.list("PokupkiLst"));
                if (action == "correct") {
                    f.pk(P::Summa)->clear();
                    f.type(f.pk(P::Summa), "350");
                    f.clickOK();
                }
            }
            if (action == "undo") {
                f.pk(P::Familiya)->setFocus(); // its own undo is empty
                QTest::keySequence(f.pk(P::Familiya), QKeySequence(Qt::CTRL | Qt::Key_Z));
                QCOMPARE(w.Pokupki().size(), 3);
            }
        }
        QFETCH(QString, expected);
        QFETCH(bool, red);
        QCOMPARE(receipt(f), expected);
        QCOMPARE(
            f.find<QLabel>(QStringLiteral("ReceiptLine"))->styleSheet().contains(QStringLiteral("color")),
            red);
        QCOMPARE(f.find(QStringLiteral("ReceiptLine"))->focusPolicy(), Qt::NoFocus);
    }

    void sellsToTheOpenCustomer()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        w.OpenFile(1);
        f.shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
        QCOMPARE(f.pk(P::Familiya)->text(), QStringLiteral("Петров"));
        QCOMPARE(f.pk(P::Telephon1)->text(), QStringLiteral("555"));
        QCOMPARE(f.pk(P::Telephon2)->text(), QStringLiteral("777"));
        QCOMPARE(f.focused(), f.combo("PokupkaTovar"));
        typeKeys(f.focused(), QStringLiteral("Чайник"));
        f.type(f.pk(P::Summa), "90");
        QTest::keyClick(f.pk(P::Summa), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(w.Pokupki().size(), 1);
        QVERIFY(receipt(f).startsWith(QStringLiteral("Покупка записана: Петров Пётр, 00000002.dat")));
    }

    // «федоров» with Фёдоров's phones: offered, not a second card.
    void nearMatchIsOffered_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void nearMatchIsOffered()
    {
        QFETCH(bool, accepted);
        WindowFixture f;
        f.writeCard("00000001.dat", {"Фёдоров", "Николай", "", "920", "", "1", " 0 ", "1960"});
        FrmForma &w = f.open();
        f.dialogs.answer = accepted;
        f.typePurchase("федоров", "920", "", "Фен", "10");
        f.clickOK();
        QCOMPARE(
            f.dialogs.questions,
            QStringList{QStringLiteral("Есть Фёдоров Николай с теми же телефонами. Записать покупку ему?")});
        QCOMPARE(f.card("00000001.dat").endsWith(crlf({"Фен", "10", " 0 "})), accepted);
        QCOMPARE(f.dialogs.messages.size(), accepted ? 0 : 1); // «не найден»
        if (accepted)
            return;
        // A new card for him is started; saved, it is pointed out as the same customer's.
        QCOMPARE(w.CurFile(), QString());
        f.type(f.bz(BzD::Imya), "Николай");
        f.type(f.bz(BzD::DenRozhd), "1");
        w.FileSave_Click();
        QVERIFY(w.lastHint().startsWith(QStringLiteral("Такой покупатель уже есть: Фёдоров Николай")));
    }

    // The arrow button that brings the new purchase back is the last stop of Tab, and Space presses it.
    void backButtonIsReachedByTab()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        f.selectLine("PokupkiLst", 0);
        f.enter(f.list("PokupkiLst"));
        f.find("kOK")->setFocus();
        QTest::keyClick(f.focused(), Qt::Key_Tab);
        QCOMPARE(f.focused(), f.find("Back1"));
        QTest::keyClick(f.focused(), Qt::Key_Space);
        QVERIFY(w.NewMode());
        QVERIFY(!f.find("Back1")->isVisible());
    }

    void unlikelyBirthYearIsHinted()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        f.type(f.bz(BzD::GodRozhd), "01"); // after the prefilled "19"
        f.bz(BzD::TelDom)->setFocus();
        QCOMPARE(w.lastHint(), QStringLiteral("Год рождения 1901? Проверьте год."));
    }
};

QTEST_MAIN(TestCounter)
#include "tst_counter.moc"
