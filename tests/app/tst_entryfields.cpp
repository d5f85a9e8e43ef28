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
        f.bz(BzD::Familiya)->setFocus();
        f.enter(f.bz(BzD::Familiya));
        QCOMPARE(f.focused(), f.bz(BzD::Familiya)); // empty surname stays
        typeKeys(f.bz(BzD::Familiya), "а");
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("А"));
        QCOMPARE(f.bz(BzD::Familiya)->cursorPosition(), 1);
        typeKeys(f.bz(BzD::Familiya), "бв");
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("Абв"));
        f.enter(f.bz(BzD::Familiya));
        QCOMPARE(f.focused(), f.bz(BzD::Imya));
        typeKeys(f.bz(BzD::Imya), "б");
        f.enter(f.bz(BzD::Imya));
        f.enter(f.bz(BzD::Otchestvo)); // the patronymic may stay empty
        QCOMPARE(f.focused(), f.bz(BzD::DenRozhd));
        typeKeys(f.bz(BzD::DenRozhd), "123");
        QCOMPARE(f.bz(BzD::DenRozhd)->text(), QStringLiteral("12"));
        f.enter(f.bz(BzD::DenRozhd));
        QCOMPARE(f.focused(), f.combo("BzDMesac"));
        f.enter(f.combo("BzDMesac"));
        QCOMPARE(f.focused(), f.bz(BzD::GodRozhd));
        QCOMPARE(f.bz(BzD::GodRozhd)->cursorPosition(), 2); // caret after the preset "19"
        QVERIFY(!f.bz(BzD::GodRozhd)->hasSelectedText());
        f.enter(f.bz(BzD::GodRozhd));
        QCOMPARE(f.focused(), f.bz(BzD::GodRozhd)); // four digits are needed
        typeKeys(f.bz(BzD::GodRozhd), "75");
        f.enter(f.bz(BzD::GodRozhd));
        QCOMPARE(f.focused(), f.bz(BzD::TelDom));
        typeKeys(f.bz(BzD::TelDom), "a+ -1");
        QCOMPARE(f.bz(BzD::TelDom)->text(), QStringLiteral("1"));
        f.enter(f.bz(BzD::TelDom));
        QCOMPARE(f.focused(), f.bz(BzD::TelRab));
        f.enter(f.bz(BzD::TelRab));
        QCOMPARE(f.focused(), f.bz(BzD::TelRab));
    }

    void tabSelectsNothingAndSumsTakeMarks()
    {
        WindowFixture f;
        f.open();
        f.type(f.pk(P::Summa), "12,5,0.");
        QCOMPARE(f.pk(P::Summa)->text(), QStringLiteral("12,5,0."));
        f.pk(P::God)->setFocus();
        QTest::keyClick(f.pk(P::God), Qt::Key_Tab);
        QTest::keyClick(f.combo("PokupkaTovar"), Qt::Key_Tab);
        QCOMPARE(f.focused(), f.pk(P::Summa));
        QVERIFY(!f.pk(P::Summa)->hasSelectedText());
        QCOMPARE(f.pk(P::Summa)->cursorPosition(), 7);
    }

    void serialEnterAddsItems()
    {
        WindowFixture f;
        f.open();
        f.type(f.pk(P::SerNomer), "S1");
        f.enter(f.pk(P::SerNomer));
        QCOMPARE(f.focused(), f.pk(P::Izdelie)); // no item name: back to it, nothing added
        QVERIFY(f.lines("IzdelieLst").isEmpty());
        typeKeys(f.pk(P::Izdelie), "пульт");
        QCOMPARE(f.pk(P::Izdelie)->text(), QStringLiteral("пульт")); // item names keep their case
        f.pk(P::SerNomer)->clear();
        f.pk(P::SerNomer)->setFocus();
        f.enter(f.pk(P::SerNomer));
        QCOMPARE(f.focused(), f.pk(P::SerNomer)); // an empty serial adds nothing
        typeKeys(f.pk(P::SerNomer), "S1");
        f.enter(f.pk(P::SerNomer));
        QCOMPARE(f.lines("IzdelieLst"), QStringList{" 1 пульт №S1"});
        QVERIFY(f.pk(P::Izdelie)->text().isEmpty() && f.pk(P::SerNomer)->text().isEmpty());
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
        f.type(f.bz(BzD::DenRozhd), "1");
        QVERIFY(w.CardChanged());
        w.OpenFile(0);
        f.combo("BzDMesac")->setCurrentIndex(7);
        QVERIFY(w.CardChanged());
        w.OpenFile(0);
        f.type(f.pk(P::Familiya), "Ж"); // the purchase panel is not part of the card
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
