#include "EntryRules.h"
#include "Isprav.h"
#include "ItemListModel.h"
#include "TypeKeys.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

struct Items {
    ItemListModel model;
    QAbstractItemModelTester tester{&model};
    const QStringList &izdeliya = model.strings();
    Items() { model.setStrings({"Пульт", "A1", "Кабель", "B2", "Шнур", "C3"}); }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < model.rowCount(); ++i)
            out << model.index(i).data().toString();
        return out;
    }
};

} // namespace

class TestIsprav : public QObject {
    Q_OBJECT

private slots:
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

    // What the operator types, pastes or drops is filtered; what the program shows is kept whole.
    void operatorInsertionsAreFiltered_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("route");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("expected");
        const int text = int(FieldKind::Text), digits = int(FieldKind::Digits);
        // clang-format off
        QTest::newRow("Ctrl+V line break") << text << -1 << "" << "ctrl+v" << "Фен\r\n7" << "Фен 7";
        QTest::newRow("Shift+Insert cell") << text << -1 << "" << "shift+insert" << "\tИванов\r\n" << "Иванов";
        QTest::newRow("menu runs") << text << -1 << "Ан" << "menu" << "на\n\n\x01Ре" << "Анна Ре";
        QTest::newRow("drop") << text << -1 << "" << "drop" << "x\ny" << "x y";
        QTest::newRow("code page") << text << -1 << "Ко" << "ctrl+v" << "ő" << "Ко";
        QTest::newRow("digits cell") << digits << -1 << "" << "ctrl+v" << "123\r\n" << "123";
        QTest::newRow("digits two lines") << digits << -1 << "" << "ctrl+v" << "12\n34" << "";
        QTest::newRow("odd phone refuses x") << digits << -1 << "12-34" << "type" << "x" << "12-34";
        QTest::newRow("odd phone takes 5") << digits << -1 << "12-34" << "type" << "5" << "12-345";
        QTest::newRow("undo then x") << digits << -1 << "12-34" << "undo" << "5" << "12-34";
        QTest::newRow("long day kept") << digits << 2 << "123" << "type" << "4" << "123";
        QTest::newRow("day paste cut") << digits << 2 << "" << "ctrl+v" << "12345" << "12";
        QTest::newRow("year typed") << digits << 4 << "" << "type" << "19700" << "1970";
        // clang-format on
    }
    void operatorInsertionsAreFiltered()
    {
        QFETCH(int, kind);
        QFETCH(int, limit);
        QFETCH(QString, shown);
        QFETCH(QString, route);
        QFETCH(QString, inserted);
        QFETCH(QString, expected);
        EntryLineEdit edit{FieldKind(kind)};
        edit.setTypingLimit(limit);
        edit.show();
        edit.setText(shown);
        QCOMPARE(edit.text(), shown); // the program's text is never cut or filtered
        edit.setFocus();
        QApplication::clipboard()->setText(inserted);
        if (route == "type") {
            typeKeys(&edit, inserted);
        } else if (route == "undo") {
            typeKeys(&edit, inserted);
            QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
            typeKeys(&edit, "x");
        } else if (route == "ctrl+v") {
            QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
        } else if (route == "shift+insert") {
            QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier);
        } else if (route == "menu") {
            QTimer::singleShot(0, [] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                QVERIFY(menu);
                const QList<QAction *> actions = menu->actions();
                const auto paste = std::find_if(actions.begin(), actions.end(), [](QAction *a) {
                    return a->text().contains(
                        QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText));
                });
                QVERIFY(paste != actions.end());
                (*paste)->trigger();
                menu->close();
            });
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(1, 1),
                                    edit.mapToGlobal(QPoint(1, 1)));
            QApplication::sendEvent(&edit, &event);
        } else {
            QMimeData mime;
            mime.setText(inserted);
            QDropEvent event(QPointF(edit.width() - 2, 5), Qt::CopyAction, &mime, Qt::LeftButton,
                             Qt::NoModifier);
            static_cast<QObject &>(edit).event(&event); // as the drag manager delivers it to its target
        }
        QCOMPARE(edit.text(), expected);
    }

    void changingTheSerialRewritesItsLine()
    {
        Items items;
        Isprav dialog(items.model, 1);
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
        QCOMPARE(items.izdeliya[3], QStringLiteral("B20"));
    }

    void okWithoutChangeTouchesNothing()
    {
        Items items;
        QSignalSpy changed(&items.model, &QAbstractItemModel::dataChanged);
        Isprav dialog(items.model, 1);
        QTest::mouseClick(dialog.findChild<QPushButton *>("kOK"), Qt::LeftButton);
        QCOMPARE(changed.count(), 0);
    }

    void emptyNameHasNoDefaultButYetOkStoresIt()
    {
        Items items;
        Isprav dialog(items.model, 1);
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
            Isprav dialog(items.model, 1);
            auto *name = dialog.findChild<QLineEdit *>("Izdelietxt");
            name->setText("кабель");
            QTest::keyClick(name, Qt::Key_Escape);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(items.izdeliya[2], QStringLiteral("Кабель"));
        }
        Isprav dialog(items.model, 1);
        dialog.findChild<QLineEdit *>("Izdelietxt")->setText("кабель");
        QTest::mouseClick(dialog.findChild<QPushButton *>("kOK"), Qt::LeftButton);
        QCOMPARE(items.lines()[1], QStringLiteral(" 2 кабель №B2"));
    }

    // Enter presses the focused button; in a text box, OK only while both texts are filled.
    void enterPressesTheFocusedButtonOrTheDefault_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tabs");     // from the name: 2 OK, 3 "Отмена", 4 the name again
        QTest::addColumn<QString>("line"); // empty while the dialog stays open
        QTest::newRow("OK") << "Провод" << 2 << " 2 Провод №B2";
        QTest::newRow("Отмена") << "Провод" << 3 << " 2 Кабель №B2";
        QTest::newRow("empty name, OK") << "" << 2 << " 2  №B2";
        QTest::newRow("empty name, past the buttons") << "" << 4 << "";
    }
    void enterPressesTheFocusedButtonOrTheDefault()
    {
        QFETCH(QString, name);
        QFETCH(int, tabs);
        QFETCH(QString, line);
        Items items;
        Isprav dialog(items.model, 1);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.findChild<QLineEdit *>("Izdelietxt")->setFocus();
        dialog.findChild<QLineEdit *>("Izdelietxt")->setText(name);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog.isVisible(), line.isEmpty());
        QCOMPARE(items.lines()[1], line.isEmpty() ? QStringLiteral(" 2 Кабель №B2") : line);
    }
};

QTEST_MAIN(TestIsprav)
#include "tst_isprav.moc"
