#include "EntryRules.h"
#include "Isprav.h"
#include "LineForms.h"
#include "TypeKeys.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct Items {
    QStringList izdeliya{"Пульт", "A1", "Кабель", "B2", "Шнур", "C3"};
    QListWidget list;
    Items()
    {
        for (int k = 0; k < 3; ++k)
            list.addItem(lineforms::izdelieLine(k + 1, izdeliya[2 * k], izdeliya[2 * k + 1]));
        list.setCurrentRow(1);
    }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.item(i)->text();
        return out;
    }
};

} // namespace

class TestIsprav : public QObject {
    Q_OBJECT

private slots:
    void lineForms()
    {
        QCOMPARE(lineforms::pokupkaLine(3, "Телевизор"), QStringLiteral(" 3 Телевизор"));
        QCOMPARE(lineforms::izdelieLine(12, "Пульт", "ABC"), QStringLiteral(" 12 Пульт №ABC"));
        QCOMPARE(lineforms::izdelieLine(1, "", "S"), QStringLiteral(" 1  №S"));
    }

    void capitalFirstLetter()
    {
        QCOMPARE(withCapitalFirstLetter("ж"), QStringLiteral("Ж"));
        QCOMPARE(withCapitalFirstLetter("ёж"), QStringLiteral("ёж"));
        QCOMPARE(withCapitalFirstLetter(""), QString());
        QVERIFY(FieldValidator::accepts(FieldKind::Sum, ','));
        QVERIFY(!FieldValidator::accepts(FieldKind::Digits, ','));
        QVERIFY(!FieldValidator::accepts(FieldKind::Text, QChar(0x0151))); // ő
        QVERIFY(FieldValidator::accepts(FieldKind::Text, QChar(0x2116)));  // №
    }

    void changingTheSerialReplacesTheLineInPlace()
    {
        Items items;
        Isprav dialog(items.izdeliya, &items.list);
        dialog.show();
        auto *serial = dialog.findChild<QLineEdit *>("SerNomertxt");
        QCOMPARE(dialog.findChild<QLineEdit *>("Izdelietxt")->text(), QStringLiteral("Кабель"));
        QCOMPARE(serial->text(), QStringLiteral("B2"));
        QVERIFY(dialog.findChild<QPushButton *>("kOK")->isDefault());
        serial->setFocus();
        typeKeys(serial, "0");
        QTest::keyClick(serial, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(items.lines(), (QStringList{" 1 Пульт №A1", " 2 Кабель №B20", " 3 Шнур №C3"}));
        QCOMPARE(items.list.currentRow(), 1);
        QCOMPARE(items.izdeliya[3], QStringLiteral("B20"));
    }

    void okWithoutChangeTouchesNothing()
    {
        Items items;
        QListWidgetItem *before = items.list.item(1);
        Isprav dialog(items.izdeliya, &items.list);
        QTest::mouseClick(dialog.findChild<QPushButton *>("kOK"), Qt::LeftButton);
        QCOMPARE(items.list.item(1), before); // the same line object: nothing removed or inserted
    }

    void emptyNameHasNoDefaultButYetOkStoresIt()
    {
        Items items;
        Isprav dialog(items.izdeliya, &items.list);
        dialog.show();
        auto *name = dialog.findChild<QLineEdit *>("Izdelietxt");
        auto *ok = dialog.findChild<QPushButton *>("kOK");
        name->clear();
        QVERIFY(!ok->isDefault());
        QVERIFY(ok->isEnabled());
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(items.lines()[1], QStringLiteral(" 2 Кабель №B2"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(items.lines()[1], QStringLiteral(" 2  №B2"));
    }

    void caseChangeCountsAndCancelKeepsAll()
    {
        Items items;
        {
            Isprav dialog(items.izdeliya, &items.list);
            auto *name = dialog.findChild<QLineEdit *>("Izdelietxt");
            name->setText("кабель");
            QTest::keyClick(name, Qt::Key_Escape);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(items.izdeliya[2], QStringLiteral("Кабель"));
        }
        Isprav dialog(items.izdeliya, &items.list);
        dialog.findChild<QLineEdit *>("Izdelietxt")->setText("кабель");
        QTest::mouseClick(dialog.findChild<QPushButton *>("kOK"), Qt::LeftButton);
        QCOMPARE(items.lines()[1], QStringLiteral(" 2 кабель №B2"));
    }
};

QTEST_MAIN(TestIsprav)
#include "tst_isprav.moc"
