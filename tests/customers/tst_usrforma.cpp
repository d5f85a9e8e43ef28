#include "CustomerBase.h"
#include "FioListModel.h"
#include "TestFiles.h"
#include "TypeKeys.h"
#include "UsrForma.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using testfiles::crlf;
using testfiles::writeAll;

class TestUsrForma : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString baza() const { return m_dir.path() + QLatin1Char('/'); }

    static QString label(const UsrForma &panel, const char *name)
    {
        return panel.findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    static QStringList lines(const UsrForma &panel)
    {
        QStringList out;
        const QAbstractItemModel *model = panel.fioList()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, 0).data().toString();
        return out;
    }
    static void select(UsrForma &panel, int row)
    {
        QListView *list = panel.fioList();
        list->setCurrentIndex(list->model()->index(row, 0));
    }

private slots:
    void init()
    {
        for (const QString &f : QDir(baza()).entryList(QDir::Files))
            QFile::remove(baza() + f);
    }

    void emptyFolder()
    {
        CustomerBase base(baza());
        base.LoadBaza();
        UsrForma panel(base);
        QCOMPARE(label(panel, "VsegoLbl"), QStringLiteral(" 0"));
        QCOMPARE(panel.fioList()->model()->rowCount(), 0);
        QCOMPARE(label(panel, "TelTxt1"), QString());
    }

    void listsSortedNumberedAndSelects()
    {
        QVERIFY(writeAll(baza() + "00000001.dat", crlf({"Яковлев", "Пётр", "Ильич", "11", "12"})));
        QVERIFY(writeAll(baza() + "00000002.dat", crlf({"Абрамов", "Олег", "Ильич", "21", "22"})));
        QVERIFY(writeAll(baza() + "00000003.dat", crlf({"абрамова", "Анна", "Сергеевна", "31", ""})));
        CustomerBase base(baza());
        base.LoadBaza();
        UsrForma panel(base);
        QAbstractItemModelTester tester(panel.fioList()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(label(panel, "VsegoLbl"), QStringLiteral(" 3"));
        QCOMPARE(lines(panel), (QStringList{" 1 Абрамов Олег Ильич", " 2 абрамова Анна Сергеевна",
                                            " 3 Яковлев Пётр Ильич"}));

        select(panel, 2);
        QCOMPARE(panel.SelIndex(), 0);
        QCOMPARE(label(panel, "TelTxt1"), QStringLiteral("11"));
        QCOMPARE(label(panel, "TelTxt2"), QStringLiteral("12"));
        QCOMPARE(label(panel, "FileTxt"), QStringLiteral("00000001.dat"));

        // F5 rescans: labels empty, nothing selected, Enter opens nothing.
        QSignalSpy opened(&panel, &UsrForma::openRequested);
        QTest::keyClick(panel.fioList(), Qt::Key_F5);
        QCOMPARE(label(panel, "FileTxt"), QString());
        QVERIFY(!panel.fioList()->selectionModel()->hasSelection());
        QTest::keyClick(panel.fioList(), Qt::Key_Return);
        QCOMPARE(opened.count(), 0);
    }

    void enterDoubleClickAndEscape()
    {
        QVERIFY(writeAll(baza() + "00000001.dat", crlf({"Б", "И", "О", "", ""})));
        QVERIFY(writeAll(baza() + "00000002.dat", crlf({"А", "И", "О", "", ""})));
        CustomerBase base(baza());
        base.LoadBaza();
        UsrForma panel(base);
        panel.show();
        QSignalSpy hidden(&panel, &UsrForma::hideRequested);
        QSignalSpy opened(&panel, &UsrForma::openRequested);

        QTest::keyClick(panel.fioList(), Qt::Key_Escape);
        QCOMPARE(hidden.count(), 1);
        QCOMPARE(opened.count(), 0);

        select(panel, 0);
        QTest::keyClick(panel.fioList(), Qt::Key_Return);
        QCOMPARE(hidden.count(), 2);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.takeFirst().at(0).toInt(), 1);

        QListView *list = panel.fioList();
        const QRect second = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(opened.count(), 1);
        QCOMPARE(opened.takeFirst().at(0).toInt(), 0);

        // After a refresh the first arrow key selects the first line.
        QTest::mouseClick(panel.findChild<QPushButton *>("ReLoad"), Qt::LeftButton);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 0);
        QCOMPARE(panel.SelIndex(), 1);

        // "Обновить" by the mouse, Enter and keypad Enter.
        QSignalSpy loaded(&base, &CustomerBase::loaded);
        auto *reLoad = panel.findChild<QPushButton *>("ReLoad");
        QTest::mouseClick(reLoad, Qt::LeftButton);
        QVERIFY(!list->selectionModel()->hasSelection());
        QTest::keyClick(reLoad, Qt::Key_Return);
        QTest::keyClick(reLoad, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(loaded.count(), 3);
    }

    void changesByAnotherHandKeepThePlace_data()
    {
        QTest::addColumn<QString>("change"); // "+" added, "~" changed, "-" removed, and the file
        QTest::addColumn<QStringList>("card");
        QTest::addColumn<int>("count");
        const QStringList first{"Ааа", "Б", "В", "1", ""};
        QTest::newRow("another card moves to the top") << "~30.dat" << first << 40;
        QTest::newRow("a card added at the top") << "+new.dat" << first << 41;
        QTest::newRow("a card above removed") << "-03.dat" << QStringList() << 39;
        QTest::newRow("a card added, gone when applied") << "+gone.dat" << QStringList() << 40;
        QTest::newRow("the selected card changed")
            << "~20.dat" << QStringList{"Фамилия20", "", "", "9"} << 40;
    }

    void changesByAnotherHandKeepThePlace()
    {
        for (int n = 1; n <= 40; ++n) {
            const QString number = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
            QVERIFY(writeAll(baza() + number + ".dat", crlf({"Фамилия" + number, "", "", number})));
        }
        CustomerBase base(baza());
        base.LoadBaza();
        UsrForma panel(base);
        panel.show();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QListView *list = panel.fioList();
        const auto *model = qobject_cast<const FioListModel *>(list->model());
        QAbstractItemModelTester tester(list->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto topPosition = [&] { return model->positionAt(list->indexAt(QPoint(1, 1)).row()); };
        list->setFocus();
        select(panel, 19);
        list->scrollTo(model->index(15), QAbstractItemView::PositionAtTop);
        QCOMPARE(topPosition(), 15);

        QFETCH(QString, change);
        QFETCH(QStringList, card);
        const QString file = change.mid(1);
        QVERIFY(change[0] == u'-' ? QFile::remove(baza() + file)
                                  : card.isEmpty() || writeAll(baza() + file, crlf(card)));
        QSignalSpy changed(&base, &CustomerBase::changed);
        base.takeCards({file});

        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toStringList(), QStringList{file});
        QFETCH(int, count);
        QCOMPARE(list->model()->rowCount(), count); // a removed card is not listed
        QCOMPARE(label(panel, "VsegoLbl").toInt(), count);
        QCOMPARE(model->positionAt(list->selectionModel()->selectedRows().value(0).row()), 19);
        QCOMPARE(label(panel, "TelTxt1"), base.index().at(19).Telephon1);
        QCOMPARE(topPosition(), 15);
        QVERIFY(list->hasFocus());
    }

    // Letters typed in the list select the first customer whose full name starts with them.
    void typeToFind_data()
    {
        QTest::addColumn<QStringList>("typed"); // "<" is Backspace, "|" a pause
        QTest::addColumn<QString>("selected");
        QTest::newRow("case and ё ignored") << QStringList{"ф", "е", "д"} << "Фёдоров Николай ";
        QTest::newRow("grows while typing")
            << QStringList{"С", "м", "и", "р", "н", "о", "в", "а"} << "Смирнова Анна ";
        QTest::newRow("equal prefixes: the first") << QStringList{"с", "м", "и", "р"} << "Смирнов Олег ";
        QTest::newRow("Backspace shortens")
            << QStringList{"с", "м", "и", "р", "н", "о", "в", "а", "<", "<"} << "Смирнов Олег ";
        QTest::newRow("a pause starts anew") << QStringList{"с", "|", "ф"} << "Фёдоров Николай ";
        QTest::newRow("no match keeps the line") << QStringList{"ф", "я"} << "Фёдоров Николай ";
    }
    void typeToFind()
    {
        for (const auto &[file, surname, name] : {std::tuple{"1.dat", "Смирнова", "Анна"},
                                                  {"2.dat", "Фёдоров", "Николай"},
                                                  {"3.dat", "Смирнов", "Олег"},
                                                  {"4.dat", "Агеев", "Иван"}})
            QVERIFY(writeAll(baza() + file, crlf({surname, name, "", "", ""})));
        CustomerBase base(baza());
        base.LoadBaza();
        UsrForma panel(base);
        QListView *list = panel.fioList();
        QFETCH(QStringList, typed);
        for (const QString &key : typed) {
            if (key == "|")
                QTest::qWait(QApplication::keyboardInputInterval() + 50);
            else if (key == "<")
                QTest::keyClick(list, Qt::Key_Backspace);
            else
                typeKeys(list, key);
        }
        QFETCH(QString, selected);
        QCOMPARE(base.index().at(panel.SelIndex()).FIO, selected);
    }

    void fontIsBold975WhateverTheWindowUses()
    {
        QWidget window;
        window.setFont(QFont(window.font().family(), 6));
        CustomerBase base(baza());
        UsrForma panel(base, &window);
        for (const char *name : {"Label1", "FIOLst", "ReLoad"}) {
            const QFont f = panel.findChild<QWidget *>(name)->font();
            QVERIFY2(f.pointSizeF() == 9.75 && f.bold(), name);
        }
    }

    void resizeKeepsListAndCrossAtTheEdge()
    {
        CustomerBase base(baza());
        base.LoadBaza();
        UsrForma panel(base);
        panel.show();
        panel.resize(400, 281);
        QCOMPARE(panel.fioList()->width(), 384);
        QCOMPARE(panel.findChild<QWidget *>("Close1")->x(), 373);
    }
};

QTEST_MAIN(TestUsrForma)
#include "tst_usrforma.moc"
