#include "CardSearch.h"
#include "SearchWindow.h"
#include "WindowFixture.h"

#include <QAction>
#include <QLabel>
#include <QTableView>

class TestSearch : public QObject {
    Q_OBJECT

private:
    static qint64 found(FrmForma &w, const QString &query)
    {
        return w.shop().search().index().query(query).total;
    }

private slots:
    void typingASerialLeadsToTheSale()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", petrovCard());
        f.writeCard("00000002.dat", ivanovCard());
        FrmForma &w = f.open();
        w.shop().search().waitUntilReady();
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
        SearchWindow *search = w.searchWindow();
        QVERIFY(search && search->isVisible());
        QCOMPARE(search->windowTitle(), QStringLiteral("Поиск"));
        auto *box = search->findChild<QLineEdit *>("PoiskTxt");
        typeKeys(box, "s2");
        QCOMPARE(search->findChild<QLabel *>("PoiskCount")->text(), QStringLiteral("Найдено: 1"));
        // The test's screen is 800 wide: the item and its serial number share a column.
        QVERIFY(search->isCompact());
        QCOMPARE(search->findChild<QTableView *>("PoiskLst")->model()->index(0, 3).data().toString(),
                 QStringLiteral("Подставка\nS2"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));
        QVERIFY(!w.NewMode());
        QCOMPARE(w.PokupkaNum(), 2);
        QCOMPARE(f.combo("PokupkaTovar")->currentText(), QStringLiteral("Чайник"));
        QVERIFY(search->isVisible()); // the window stays for the next question
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(!search->isVisible());
    }

    void theIndexFollowsEveryWrite()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.shop().search().waitUntilReady();

        // A sale appended.
        f.typePurchase("Иванов", "123", "", "Фен", "10", {"Фен", "FX-1"});
        f.clickOK();
        QCOMPARE(found(w, "fx1"), 1);

        // A purchase corrected and saved.
        w.OpenFile(0);
        f.selectLine("PokupkiLst", 3);
        w.PokupkiLst_DblClick();
        f.selectLine("IzdelieLst", 0);
        w.DelIzdelie1_Click();
        f.clickOK();
        QCOMPARE(found(w, "fx1"), 0);
        QCOMPARE(found(w, "фен"), 1);

        // A purchase deleted.
        f.selectLine("PokupkiLst", 3);
        w.DelPokupku1_Click();
        QCOMPARE(found(w, "фен"), 0);

        // A new card saved; a header changed.
        w.FileNewKlient_Click();
        f.type(f.bz(BzD::Familiya), "Зуев");
        f.type(f.bz(BzD::Imya), "З");
        f.type(f.bz(BzD::DenRozhd), "1");
        w.FileSave_Click();
        QCOMPARE(found(w, "зуев"), 1);
        f.bz(BzD::Familiya)->setText("Зуева");
        w.FileSave_Click();
        QCOMPARE(found(w, "зуева"), 1);

        // F5 reads a card put into the folder by hand; a failed open drops a vanished one.
        f.writeCard("00000009.dat", petrovCard());
        f.shortcut(QKeySequence(Qt::Key_F4));
        QTest::keyClick(w.usrForma()->fioList(), Qt::Key_F5);
        w.shop().search().waitUntilReady();
        QCOMPARE(found(w, "петров"), 1);
        QFile::remove(f.cardPath("00000009.dat"));
        w.OpenFile(w.shop().index().findFile("00000009.dat"));
        f.dialogs.takeMessage();
        w.shop().search().waitUntilReady();
        QCOMPARE(found(w, "петров"), 0);
        QCOMPARE(found(w, "иванов"), 4); // one row a sold item; a purchase without items is one row
    }

    void writesWhileTheFolderIsReadAreKept()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        // The first reading may still be going on: a sale recorded now must not be lost.
        f.typePurchase("Иванов", "123", "", "Фен", "10", {"Фен", "FX-1"});
        f.clickOK();
        w.shop().search().waitUntilReady();
        QCOMPARE(found(w, "fx1"), 1);
    }

    void hintsNeverStopTheOperator()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.shop().search().waitUntilReady();
        f.type(f.pk(P::Izdelie), "Пульт");
        f.enter(f.pk(P::Izdelie));
        f.type(f.pk(P::SerNomer), "abc-123");
        f.enter(f.pk(P::SerNomer));
        QCOMPARE(
            w.lastHint(),
            QStringLiteral("Изделие с номером abc-123 уже продано: Иванов Иван Иванович, 12 января 2005."));
        QCOMPARE(f.lines("IzdelieLst"), QStringList{" 1 Пульт №abc-123"});
        QCOMPARE(f.focused(), f.pk(P::Izdelie));

        w.FileNewKlient_Click();
        f.type(f.bz(BzD::Familiya), "иванов");
        f.type(f.bz(BzD::Imya), "Пётр");
        f.type(f.bz(BzD::DenRozhd), "2");
        f.type(f.bz(BzD::TelDom), "123");
        w.FileSave_Click();
        QCOMPARE(w.lastHint(),
                 QStringLiteral("Такой покупатель уже есть: Иванов Иван Иванович (00000001.dat)."));
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));
    }

    void countLineSaysWhenTheBaseIsStillRead()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.shop().search().rebuild();
        w.EditFind_Click();
        QVERIFY(w.searchWindow()->countText().endsWith(QStringLiteral("(база ещё читается)")));
        w.shop().search().waitUntilReady();
        QCOMPARE(w.searchWindow()->countText(), QStringLiteral("Найдено: 0"));
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
