#include "WindowFixture.h"

#include <QDialog>
#include <QTimer>

class TestEntryFields : public QObject {
    Q_OBJECT

private slots:
    void enterWalksTheCard()
    {
        WindowFixture f;
        f.open();
        f.bz(0)->setFocus();
        f.enter(f.bz(0));
        QCOMPARE(f.focused(), f.bz(0)); // empty surname stays
        typeKeys(f.bz(0), "а");
        QCOMPARE(f.bz(0)->text(), QStringLiteral("А"));
        QCOMPARE(f.bz(0)->cursorPosition(), 1);
        typeKeys(f.bz(0), "бв");
        QCOMPARE(f.bz(0)->text(), QStringLiteral("Абв"));
        f.enter(f.bz(0));
        QCOMPARE(f.focused(), f.bz(1));
        typeKeys(f.bz(1), "б");
        f.enter(f.bz(1));
        f.enter(f.bz(2)); // the patronymic may stay empty
        QCOMPARE(f.focused(), f.bz(3));
        typeKeys(f.bz(3), "123");
        QCOMPARE(f.bz(3)->text(), QStringLiteral("12"));
        f.enter(f.bz(3));
        QCOMPARE(f.focused(), f.combo("BzDMesac"));
        f.enter(f.combo("BzDMesac"));
        QCOMPARE(f.focused(), f.bz(4));
        QCOMPARE(f.bz(4)->cursorPosition(), 2); // caret after the preset "19"
        QVERIFY(!f.bz(4)->hasSelectedText());
        f.enter(f.bz(4));
        QCOMPARE(f.focused(), f.bz(4)); // four digits are needed
        typeKeys(f.bz(4), "75");
        f.enter(f.bz(4));
        QCOMPARE(f.focused(), f.bz(5));
        typeKeys(f.bz(5), "a+ -1");
        QCOMPARE(f.bz(5)->text(), QStringLiteral("1"));
        f.enter(f.bz(5));
        QCOMPARE(f.focused(), f.bz(6));
        f.enter(f.bz(6));
        QCOMPARE(f.focused(), f.bz(6));
    }

    void tabSelectsNothingAndSumsTakeMarks()
    {
        WindowFixture f;
        f.open();
        f.type(f.pk(5), "12,5,0.");
        QCOMPARE(f.pk(5)->text(), QStringLiteral("12,5,0."));
        f.pk(4)->setFocus();
        QTest::keyClick(f.pk(4), Qt::Key_Tab);
        QTest::keyClick(f.combo("PokupkaTovar"), Qt::Key_Tab);
        QCOMPARE(f.focused(), f.pk(5));
        QVERIFY(!f.pk(5)->hasSelectedText());
        QCOMPARE(f.pk(5)->cursorPosition(), 7);
    }

    void serialEnterAddsItems()
    {
        WindowFixture f;
        f.open();
        f.type(f.pk(7), "S1");
        f.enter(f.pk(7));
        QCOMPARE(f.focused(), f.pk(6)); // no item name: back to it, nothing added
        QVERIFY(f.lines("IzdelieLst").isEmpty());
        typeKeys(f.pk(6), "пульт");
        QCOMPARE(f.pk(6)->text(), QStringLiteral("пульт")); // item names keep their case
        f.pk(7)->clear();
        f.pk(7)->setFocus();
        f.enter(f.pk(7));
        QCOMPARE(f.focused(), f.pk(7)); // an empty serial adds nothing
        typeKeys(f.pk(7), "S1");
        f.enter(f.pk(7));
        QCOMPARE(f.lines("IzdelieLst"), QStringList{" 1 пульт №S1"});
        QVERIFY(f.pk(6)->text().isEmpty() && f.pk(7)->text().isEmpty());
    }

    void enterOnTheFocusedOkButtonRecords()
    {
        WindowFixture f;
        f.open();
        auto *ok = f.find<QPushButton>("kOK");
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Return);
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Введите фамилию покупателя."));
    }

    void loadingDoesNotCountAsAnEdit()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        QVERIFY(!w.CardChanged());
        f.type(f.bz(3), "1");
        QVERIFY(w.CardChanged());
        w.OpenFile(0);
        f.combo("BzDMesac")->setCurrentIndex(7);
        QVERIFY(w.CardChanged());
        w.OpenFile(0);
        f.type(f.pk(0), "Ж"); // the purchase panel is not part of the card
        QVERIFY(!w.CardChanged());
    }

    void itemEditorOpensOnEnter()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        w.AddIzdelie("Пульт", "A1");
        f.selectLine("IzdelieLst", 0);
        QTimer::singleShot(0, [] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Редактировать"));
            auto *serial = dialog->findChild<QLineEdit *>("SerNomertxt");
            serial->setText("A2");
            QTest::keyClick(serial, Qt::Key_Return);
        });
        QTest::keyClick(f.list("IzdelieLst"), Qt::Key_Return);
        QCOMPARE(f.lines("IzdelieLst"), QStringList{" 1 Пульт №A2"});
        QCOMPARE(w.Izdeliya()[1], QStringLiteral("A2"));
    }
};

QTEST_MAIN(TestEntryFields)
#include "tst_entryfields.moc"
