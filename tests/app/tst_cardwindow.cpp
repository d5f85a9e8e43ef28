#include "SafeFile.h"
#include "WindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTimer>

#include <sys/stat.h>

using testfiles::crlf;

class TestCardWindow : public QObject {
    Q_OBJECT

private slots:
    void startsEmptyWithEveryMenu()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Тарвеско"));
        QCOMPARE(w.centralWidget()->size(), QSize(583, 499));
        QCOMPARE(f.bz(BzD::GodRozhd)->text(), QStringLiteral("19"));
        QCOMPARE(f.combo("BzDMesac")->currentText(), QStringLiteral("Января"));
        QCOMPARE(f.pk(P::Day)->text(), QString::number(QDate::currentDate().day()));
        QCOMPARE(f.combo("PokupkaMesac")->currentIndex(), QDate::currentDate().month() - 1);
        QCOMPARE(f.pk(P::God)->text(), QString::number(QDate::currentDate().year()));
        QVERIFY(!f.find("Back1")->isVisible());
        QVERIFY(!w.usrForma()->isVisible());
        QVERIFY(w.CurFile().isEmpty());
        QCOMPARE(f.focused(), f.bz(BzD::Familiya)); // the operator starts typing a card

        QStringList bar;
        for (QAction *a : w.menuBar()->actions())
            if (a->isVisible())
                bar << a->text().remove(u'&');
        QCOMPARE(bar, (QStringList{"Файл", "Правка", "Справка"}));
        const auto shortcutOf = [&](const char *name) { return f.find<QAction>(name)->shortcut(); };
        QCOMPARE(shortcutOf("FileNewKlient"), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(shortcutOf("FileSave"), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(shortcutOf("FileList"), QKeySequence(Qt::Key_F4));
        QCOMPARE(shortcutOf("HelpCallHelp"), QKeySequence(Qt::Key_F1));
        QCOMPARE(f.find<QAction>("FileList")->text().remove(u'&'), QStringLiteral("Тарвеско"));
        QCOMPARE(f.find<QAction>("DelPokupku1")->text(), QStringLiteral("Удалить покупку"));
        QCOMPARE(f.find<QAction>("DelIzdelie1")->text(), QStringLiteral("Удалить изделие"));
    }

    void savesANewCardTypedByHand()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        f.type(f.bz(BzD::Familiya), "петров");
        f.type(f.bz(BzD::Imya), "Пётр");
        f.type(f.bz(BzD::DenRozhd), "1");
        f.type(f.bz(BzD::GodRozhd), "80");
        f.type(f.bz(BzD::TelDom), "5-5a5"); // only digits reach a phone field
        f.type(f.bz(BzD::TelRab), "777");
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        QVERIFY(f.dialogs.messages.isEmpty());
        QCOMPARE(w.CurFile(), QStringLiteral("00000001.dat"));
        QCOMPARE(f.card("00000001.dat"), crlf({"Петров", "Пётр", "", "555", "777", "1", " 0 ", "1980"}));
        QCOMPARE(w.shop().index().KlientCount(), 1);
        QCOMPARE(w.shop().index().at(0).FIO, QStringLiteral("Петров Пётр "));
        QCOMPARE(w.usrForma()->fioList()->model()->index(0, 0).data().toString(),
                 QStringLiteral(" 1 Петров Пётр "));

        // A second save rewrites the same file.
        f.type(f.bz(BzD::Otchestvo), "Ильич");
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(QDir(f.baza()).entryList(QDir::Files), QStringList{"00000001.dat"});
        QCOMPARE(w.shop().index().at(0).FIO, QStringLiteral("Петров Пётр Ильич"));
    }

    void incompleteCardsAreRefusedInOrder()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        w.FileSave_Click();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Введите фамилию покупателя."));
        QCOMPARE(f.focused(), f.bz(BzD::Familiya));
        f.type(f.bz(BzD::Familiya), "А");
        f.type(f.bz(BzD::Imya), "Б");
        w.FileSave_Click();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Введите день рождения покупателя."));
        QCOMPARE(f.focused(), f.bz(BzD::DenRozhd));
        f.type(f.bz(BzD::DenRozhd), "2");
        f.bz(BzD::GodRozhd)->clear();
        w.FileSave_Click();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Введите год рождения покупателя"));
        QVERIFY(QDir(f.baza()).entryList(QDir::Files).isEmpty());
    }

    void newCardSkipsTakenNames()
    {
        WindowFixture f;
        FrmForma &w = f.open();
        f.writeCard("00000001.dat", {"Чужой"}); // appeared after the scan
        f.type(f.bz(BzD::Familiya), "А");
        f.type(f.bz(BzD::Imya), "Б");
        f.type(f.bz(BzD::DenRozhd), "2");
        w.FileSave_Click();
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));
        QCOMPARE(f.card("00000001.dat"), crlf({"Чужой"}));
    }

    void failedSavesChangeNothing()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", petrovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        ::chmod(QFile::encodeName(f.cardPath("00000001.dat")).constData(), 0444);
        f.type(f.bz(BzD::Imya), "ша");
        w.FileSave_Click();
        QCOMPARE(f.dialogs.takeMessage(), QStringLiteral("Файл \"00000001.dat\" защищён от записи."));
        QCOMPARE(f.card("00000001.dat"), crlf(petrovCard()));
        QVERIFY(w.CardChanged());

        // A data folder that does not exist.
        WindowFixture g;
        FrmForma &v = g.open(g.baza() + QStringLiteral("нет/"));
        g.type(g.bz(BzD::Familiya), "А");
        g.type(g.bz(BzD::Imya), "Б");
        g.type(g.bz(BzD::DenRozhd), "2");
        v.FileSave_Click();
        QCOMPARE(g.dialogs.takeMessage(), QStringLiteral("Файл \"00000001.dat\" сохранить не возможно."));
        QVERIFY(v.CurFile().isEmpty());
        QCOMPARE(v.shop().index().KlientCount(), 0);
    }

    void opensACardWithItsPurchases()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("Иванов"));
        QCOMPARE(f.bz(BzD::TelDom)->text(), QStringLiteral("123"));
        QCOMPARE(f.combo("BzDMesac")->currentIndex(), 2);
        QCOMPARE(f.lines("PokupkiLst"), (QStringList{" 1 Телевизор", " 2 Утюг", " 3 Чайник"}));
        QCOMPARE(w.PokupkaNum(), 3);
        QCOMPARE(w.Pokupki()[2].Summa, QStringLiteral("12,5"));
        QVERIFY(!w.CardChanged());
        QCOMPARE(f.focused(), f.bz(BzD::Familiya));
        QVERIFY(f.lines("IzdelieLst").isEmpty());

        // Saving at once rewrites the same bytes; the index is not touched.
        w.FileSave_Click();
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard()));

        // A card without a month: the combo keeps what it showed.
        w.OpenFile(1);
        QCOMPARE(f.combo("BzDMesac")->currentIndex(), -1);
        QVERIFY(f.lines("PokupkiLst").isEmpty());
        QCOMPARE(w.PokupkaNum(), 0);
    }

    // Ctrl+Z undoes a deleted purchase unless a text box has the focus; the versions window brings
    // back an earlier content of the card.
    void undoAndEarlierVersionsThroughTheMenus()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        auto *editMenu = f.find<QMenu>("Edit");
        editMenu->popup({});
        QVERIFY(!f.find<QAction>("EditUndo")->isEnabled()); // nothing to undo yet
        editMenu->hide();
        f.selectLine("PokupkiLst", 1);
        QTest::keyClick(f.list("PokupkiLst"), Qt::Key_Delete);
        QCOMPARE(f.lines("PokupkiLst"), (QStringList{" 1 Телевизор", " 2 Чайник"}));
        const QByteArray deleted = f.card("00000001.dat");

        const QString otchestvo = f.bz(BzD::Otchestvo)->text();
        f.type(f.bz(BzD::Otchestvo), "Ю");
        QTest::keyClick(f.bz(BzD::Otchestvo), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.bz(BzD::Otchestvo)->text(), otchestvo); // the box's own undo
        QCOMPARE(f.card("00000001.dat"), deleted);
        f.list("PokupkiLst")->setFocus();
        QTest::keyClick(f.list("PokupkiLst"), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard()));
        QCOMPARE(f.lines("PokupkiLst"), (QStringList{" 1 Телевизор", " 2 Утюг", " 3 Чайник"}));

        // The newest version is the card without Утюг, as the deletion left it.
        QStringList listed, shown;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto linesOf = [&](const char *name) {
                QStringList out;
                const QAbstractItemModel *model = dialog->findChild<QAbstractItemView *>(name)->model();
                for (int row = 0; row < model->rowCount(); ++row)
                    out << model->index(row, 0).data().toString();
                return out;
            };
            listed = linesOf("VersionsLst");
            shown = linesOf("VersionPurchasesLst");
            dialog->findChild<QPushButton *>("VersionsRestore")->click();
            dialog->reject();
        });
        f.find<QAction>("FileVersions")->trigger();
        QCOMPARE(listed.size(), 2);
        QVERIFY(listed[0].endsWith("добавлена покупка 2 Утюг"));
        QVERIFY(listed[1].endsWith("удалена покупка 2 Утюг"));
        QCOMPARE(shown.size(), 3); // the customer, then two purchases
        QCOMPARE(f.card("00000001.dat"), deleted);
        QCOMPARE(f.lines("PokupkiLst"), (QStringList{" 1 Телевизор", " 2 Чайник"}));
    }

    // "Резервная копия…" writes the chosen archive; the automatic one of the day goes beside the
    // data folder, once. Both first remove what a killed backup left in the folder they write to.
    void backupsFromTheMenuAndOfTheDay()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        const QString root = QFileInfo(QDir::cleanPath(f.baza())).path();
        const QStringList leftovers{root + "/.~killed01",
                                    root + QStringLiteral("/Резервные копии/.~killed02")};
        QVERIFY(QDir(root).mkdir(QStringLiteral("Резервные копии")));
        for (const QString &leftover : leftovers)
            QVERIFY(testfiles::writeAll(leftover, "half a backup"));
        f.dialogs.savePath = root + QStringLiteral("/копия.zip");
        f.command("FileBackup");
        QVERIFY(f.dialogs.takeMessage().startsWith(QStringLiteral("Резервная копия записана и проверена")));
        QVERIFY(QFileInfo(f.dialogs.savePath).size() > 0);
        QVERIFY(!QFileInfo::exists(leftovers[0]));

        // Restoring it: not while another copy of the program has the base open.
        QVERIFY(testfiles::writeAll(f.cardPath("00000001.dat"), "испорчено"));
        f.dialogs.openPath = f.dialogs.savePath;
        auto other = std::make_unique<Till>(f.baza(), f.goodsPath());
        f.command("FileRestore");
        QVERIFY(f.dialogs.takeMessage().startsWith(QStringLiteral("Восстановить базу сейчас нельзя")));
        QCOMPARE(f.card("00000001.dat"), QByteArray("испорчено"));
        other.reset();
        f.command("FileRestore");
        QVERIFY(f.dialogs.questions.last().contains(QStringLiteral("В копии: покупателей 1, покупок 3")));
        QVERIFY(f.dialogs.takeMessage().startsWith(QStringLiteral("База восстановлена из копии")));
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard()));
        QCOMPARE(w.shop().index().at(0).Familiya, QStringLiteral("Иванов"));

        const QString daily = root + QStringLiteral("/Резервные копии/Тарвеско ") +
                              QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(".zip");
        f.shop().backups().startDaily();
        QTRY_VERIFY(QFileInfo::exists(daily));
        QVERIFY(!QFileInfo::exists(leftovers[1]));
        QCOMPARE(f.dialogs.messages, QStringList());
    }

    // A failed automatic backup covers nothing: no message box, the receipt line above the card says
    // it in red; a second start the same day tells nothing.
    void aFailedDailyBackupIsToldOnceADay()
    {
        WindowFixture f;
        QFile tooBig(f.cardPath("00000001.dat")); // no backup can hold it
        QVERIFY(tooBig.open(QIODevice::WriteOnly) && tooBig.resize(safefile::kMaxFileBytes + 1));
        for (const bool firstStartToday : {true, false}) {
            FrmForma &w = f.open();
            QSignalSpy ended(&f.shop().backups(), &Backups::dailyEnded);
            f.shop().backups().startDaily();
            QVERIFY(ended.wait());
            QCOMPARE(f.dialogs.messages, QStringList());
            QCOMPARE(
                w.receiptText().startsWith(QStringLiteral("Автоматическая резервная копия не сделана. ")),
                firstStartToday);
        }
    }

    void vanishedCardIsReportedAndDropped()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        w.OpenFile(1);
        QFile::remove(f.cardPath("00000001.dat"));
        w.OpenFile(0);
        QCOMPARE(f.dialogs.takeMessage(),
                 QStringLiteral("Файл \"") + f.cardPath("00000001.dat") + "\" не найден.");
        QCOMPARE(w.shop().index().KlientCount(), 1);
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("Петров"));
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));

        // The rescan moved Петров to position 0: a save keeps to his own entry.
        f.type(f.bz(BzD::Imya), "р");
        w.FileSave_Click();
        QCOMPARE(w.CardIndex(), 0);
        QCOMPARE(w.shop().index().KlientCount(), 1);
        QCOMPARE(w.shop().index().at(0).FIO, QStringLiteral("Петров Пётрр "));
    }

    void newCustomerStartsAnEmptyCard()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        FrmForma &w = f.open();
        w.OpenFile(0);
        f.shortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
        for (int i : {0, 1, 2, 3, 5, 6})
            QVERIFY(f.bz(BzD(i))->text().isEmpty());
        QCOMPARE(f.bz(BzD::GodRozhd)->text(), QStringLiteral("19"));
        QCOMPARE(f.combo("BzDMesac")->currentIndex(), 0);
        QCOMPARE(f.focused(), f.bz(BzD::Familiya));
        QVERIFY(w.CurFile().isEmpty());
        QVERIFY(w.Pokupki().isEmpty());
        QVERIFY(f.lines("PokupkiLst").isEmpty());
        QCOMPARE(w.PokupkaNum(), 0);

        f.type(f.bz(BzD::Familiya), "Новый");
        f.type(f.bz(BzD::Imya), "Н");
        f.type(f.bz(BzD::DenRozhd), "3");
        w.FileSave_Click();
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));
        QCOMPARE(f.card("00000002.dat"), crlf({"Новый", "Н", "", "", "", "3", " 0 ", "19"}));
        QCOMPARE(f.card("00000001.dat"), crlf(ivanovCard()));
    }

    void customerListOpensTheChosenCard()
    {
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        f.shortcut(QKeySequence(Qt::Key_F4));
        QVERIFY(w.usrForma()->isVisible());
        QListView *list = w.usrForma()->fioList();
        QCOMPARE(f.focused(), list);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down); // second line: Петров
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!w.usrForma()->isVisible());
        QCOMPARE(w.CurFile(), QStringLiteral("00000002.dat"));
        QCOMPARE(f.bz(BzD::Familiya)->text(), QStringLiteral("Петров"));
    }

    // Without a selected line the first key goes from line 1, whatever line the focus frame marks.
    void firstKeyOfAListWithoutSelection_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("row"); // from the end when negative
        for (const char *list : {"FIOLst", "PokupkiLst", "IzdelieLst"}) {
            const auto pressing = [list](const char *tag, const QList<int> &keys) -> QTestData & {
                return QTest::addRow("%s %s", list, tag) << QString::fromLatin1(list) << keys;
            };
            pressing("Home", {Qt::Key_Home}) << 0;
            pressing("PgUp", {Qt::Key_PageUp}) << 0;
            pressing("Up", {Qt::Key_Up}) << 0;
            pressing("Down", {Qt::Key_Down}) << 0;
            pressing("Down Down", {Qt::Key_Down, Qt::Key_Down}) << 1;
            pressing("End", {Qt::Key_End}) << -1;
            pressing("PgDn", {Qt::Key_PageDown}) << -1; // every line fits the first page
        }
    }
    void firstKeyOfAListWithoutSelection()
    {
        QFETCH(QString, list);
        QFETCH(QList<int>, keys);
        QFETCH(int, row);
        WindowFixture f;
        f.writeCard("00000001.dat", ivanovCard());
        f.writeCard("00000002.dat", petrovCard());
        FrmForma &w = f.open();
        w.OpenFile(w.shop().index().findFile("00000001.dat"));
        w.AddIzdelie("Пульт", "A1");
        w.AddIzdelie("Шнур", "B2");
        auto *view = f.find<QListView>(list);
        if (list == "FIOLst")
            f.shortcut(QKeySequence(Qt::Key_F4));
        else
            view->setFocus();
        QCOMPARE(view->currentIndex().row(), 0); // the focus frame, not a selection
        for (int key : keys)
            QTest::keyClick(view, Qt::Key(key));
        QCOMPARE(view->currentIndex().row(), row < 0 ? view->model()->rowCount() + row : row);
        QCOMPARE(view->selectionModel()->selectedRows(), QModelIndexList{view->currentIndex()});
    }
};

QTEST_MAIN(TestCardWindow)
#include "tst_cardwindow.moc"
