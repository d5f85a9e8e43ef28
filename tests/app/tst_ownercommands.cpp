#include "CardSearch.h"
#include "SearchResultModel.h"
#include "SearchWindow.h"
#include "SlipPreview.h"
#include "SlipTemplate.h"
#include "WarrantyWindow.h"
#include "WindowFixture.h"

#include <QTableView>
#include <QTableWidget>

namespace {

// Сидоров bought a television set with three items on 10 March 2024.
const QStringList kSidorov{"Сидоров",   "Пётр",    "Петрович", "3111111", "",          "1",     " 0 ",
                           "1965",      "10",      " 2 ",      "2024",    "Телевизор", "30000", " 6 ",
                           "Телевизор", "СН-Ж001", "Пульт",    "ПУ-Щ2",   "Антенна",   "АН/Ё3"};

} // namespace

class TestOwnerCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // The slip of the purchase shown, its preview and its PDF; none without a recorded purchase;
    // a broken template put back at the owner's word.
    void printSlip()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", kSidorov);
        QVERIFY(testfiles::writeAll(QFileInfo(f.goodsPath()).path() + "/Гарантия.txt",
                                    testfiles::crlf({"Телевизор\t12", "Пульт\t6"})));
        FrmForma &w = f.open();

        f.find<QAction>("FilePrint")->trigger();
        QVERIFY(w.receiptText().startsWith("Талон печатается для совершённой покупки"));
        QVERIFY(!w.findChild<SlipPreview *>());

        w.openSale("00000001.dat", 0);
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
        QVERIFY(f.dialogs.questions.isEmpty());
        QVERIFY(w.receiptText().startsWith("В папке «База» появился файл «Гарантийный талон.html»"));
        QCOMPARE(testfiles::readAll(f.baza() + SlipTemplate::fileName()), SlipTemplate::shippedBytes());
        w.findChild<SlipPreview *>()->close();
        QTRY_VERIFY(!w.findChild<SlipPreview *>());

        QVERIFY(testfiles::writeAll(f.baza() + SlipTemplate::fileName(), "<p>{{#items}}{{item}}</p>"));
        f.dialogs.answer = true;
        f.find<QAction>("FilePrint")->trigger();
        QCOMPARE(f.dialogs.questions.size(), 1);
        QVERIFY(f.dialogs.questions[0].endsWith("Изменённый талон останется в прежних версиях."));
        SlipPreview *preview = w.findChild<SlipPreview *>();
        QVERIFY(preview);
        for (const char *text :
             {"СН-Ж001", "ПУ-Щ2", "АН/Ё3", "10.03.2025", "10.09.2024", "Сидоров Пётр Петрович"})
            QVERIFY2(preview->html().contains(QString::fromUtf8(text)), text);

        f.dialogs.savePath = QFileInfo(f.goodsPath()).path() + "/талон.pdf";
        preview->findChild<QAction *>("TalonPdf")->trigger();
        QVERIFY(testfiles::readAll(f.dialogs.savePath).startsWith("%PDF"));
        QVERIFY(f.dialogs.takeMessage().startsWith("Талон записан:"));
        preview->close();
    }

    // The export asked for from the menu writes the whole base; the warranty terms saved from
    // their window reach the file and the search window's "Гарантия до".
    void exportAndWarranty()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", kSidorov);
        QVERIFY(testfiles::writeAll(f.goodsPath(), testfiles::crlf({"Пылесос", "Телевизор"})));
        FrmForma &w = f.open();

        f.dialogs.savePath = QFileInfo(f.goodsPath()).path() + "/покупки.csv";
        f.find<QAction>("FileExport")->trigger();
        QTRY_VERIFY(!f.dialogs.messages.isEmpty());
        QCOMPARE(f.dialogs.takeMessage().section("\r\n", 2), QString("Покупателей: 1, строк: 3."));
        QVERIFY(testfiles::readAll(f.dialogs.savePath).startsWith("\xEF\xBB\xBF"));

        f.find<QAction>("FileWarranty")->trigger();
        auto *terms = w.findChild<WarrantyWindow *>();
        QVERIFY(terms);
        QTableWidget *table = terms->table();
        const auto row = table->findItems("Телевизор", Qt::MatchExactly);
        QCOMPARE(row.size(), 1);
        table->item(row[0]->row(), 1)->setData(Qt::EditRole, 12);
        terms->accept();
        QCOMPARE(testfiles::readAll(QFileInfo(f.goodsPath()).path() + "/Гарантия.txt"),
                 testfiles::crlf({"Телевизор\t12"}));

        f.shop().search().waitUntilReady();
        w.EditFind_Click();
        w.searchWindow()->findChild<QLineEdit *>("PoiskTxt")->setText("СН-Ж001");
        auto *found =
            qobject_cast<SearchResultModel *>(w.searchWindow()->findChild<QTableView *>("PoiskLst")->model());
        for (const bool compact : {true, false}) {
            found->setCompact(compact);
            const int column = found->warrantyColumn();
            QCOMPARE(found->headerData(column, Qt::Horizontal).toString(), QString("Гарантия до"));
            QCOMPARE(found->index(0, column).data().toString(), QString("10 марта 2025"));
            // Ended long ago: grey.
            QCOMPARE(found->index(0, column).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        }
    }
};

QTEST_MAIN(TestOwnerCommands)
#include "tst_ownercommands.moc"
