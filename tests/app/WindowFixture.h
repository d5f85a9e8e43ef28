#pragma once

#include "CardFields.h"
#include "CardFile.h"
#include "FrmForma.h"
#include "KlientIndex.h"
#include "RecordingDialogs.h"
#include "Shop.h"
#include "TestFiles.h"
#include "TypeKeys.h"
#include "UsrForma.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using P = PokupkaField;

// One till as main() builds it: the shop over a data folder, and its main window.
struct Till {
    Till(const QString &baza, const QString &goodsPath) : shop(baza, goodsPath), window(shop) {}
    // The window shown and the rest of the shop read, as at start-up.
    FrmForma &start()
    {
        window.show();
        window.finishStartUp();
        return window;
    }
    Shop shop;
    FrmForma window;
};

// A main window over a fresh data folder in a temporary directory, with helpers that reach the
// controls by their object names and type into them with real key events.
class WindowFixture {
public:
    WindowFixture() { QDir().mkpath(baza()); }

    QString baza() const { return m_dir.path() + QStringLiteral("/База/"); }
    QString goodsPath() const { return m_dir.path() + QStringLiteral("/Товары.txt"); }
    QString cardPath(const QString &name) const { return baza() + name; }

    void writeCard(const QString &name, const QStringList &lines) const
    {
        QVERIFY(testfiles::writeAll(cardPath(name), testfiles::crlf(lines)));
    }
    QByteArray card(const QString &name) const { return testfiles::readAll(cardPath(name)); }

    FrmForma &open(const QString &bazaPath = {})
    {
        m_till.reset();
        m_till = std::make_unique<Till>(bazaPath.isEmpty() ? baza() : bazaPath, goodsPath());
        m_window = &m_till->window;
        m_window->show();
        if (!QTest::qWaitForWindowExposed(m_window))
            qWarning("the window was not exposed");
        m_window->activateWindow();
        m_window->finishStartUp();
        return *m_window;
    }
    FrmForma &w() { return *m_window; }
    Shop &shop() { return m_till->shop; }
    void close()
    {
        m_till.reset();
        m_window = nullptr;
    }

    template <typename T = QWidget> T *find(const QString &name)
    {
        T *child = m_window->findChild<T *>(name);
        if (!child)
            qFatal("no control %s", qPrintable(name));
        return child;
    }
    QLineEdit *bz(BzD field) { return find<QLineEdit>(QStringLiteral("BzDTxt_%1").arg(int(field))); }
    QLineEdit *pk(PokupkaField field)
    {
        return find<QLineEdit>(QStringLiteral("PokupkaTxt_%1").arg(int(field)));
    }
    QComboBox *combo(const char *name) { return find<QComboBox>(QString::fromLatin1(name)); }
    QListView *list(const char *name) { return find<QListView>(QString::fromLatin1(name)); }
    QStringList lines(const char *listName)
    {
        QStringList out;
        const QAbstractItemModel *model = list(listName)->model();
        for (int i = 0; i < model->rowCount(); ++i)
            out << model->index(i, 0).data().toString();
        return out;
    }
    // The list's current line, or -1.
    int currentRow(const char *listName) { return list(listName)->currentIndex().row(); }
    QRect lineRect(const char *listName, int row)
    {
        QListView *l = list(listName);
        return l->visualRect(l->model()->index(row, 0));
    }

    // Focuses the field and types into it, as the operator does.
    void type(QWidget *field, const QString &text)
    {
        field->setFocus();
        typeKeys(field, text);
    }
    void enter(QWidget *field) { QTest::keyClick(field, Qt::Key_Return); }
    QWidget *focused() const { return QApplication::focusWidget(); }
    void clickOK() { QTest::mouseClick(find<QPushButton>(QStringLiteral("kOK")), Qt::LeftButton); }
    void shortcut(QKeySequence keys) { QTest::keySequence(m_window, keys); }
    // Gives a menu command and waits for the work it runs beside the window under a progress bar.
    void command(const char *actionName)
    {
        find<QAction>(QString::fromLatin1(actionName))->trigger();
        QTRY_VERIFY(!m_window->findChild<QWidget *>(QStringLiteral("BackupProgress")));
    }

    // Fills the new-purchase panel through the keyboard: surname, phones, goods, sum, items.
    void typePurchase(const QString &surname, const QString &tel1, const QString &tel2, const QString &goods,
                      const QString &sum, const QStringList &items = {})
    {
        type(pk(P::Familiya), surname);
        type(pk(P::Telephon1), tel1);
        type(pk(P::Telephon2), tel2);
        type(combo("PokupkaTovar"), goods);
        type(pk(P::Summa), sum);
        for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
            type(pk(P::Izdelie), items[i]);
            enter(pk(P::Izdelie));
            type(pk(P::SerNomer), items[i + 1]);
            enter(pk(P::SerNomer));
        }
    }

    void selectLine(const char *listName, int row)
    {
        QListView *l = list(listName);
        l->setFocus();
        l->setCurrentIndex(l->model()->index(row, 0));
    }

    RecordingDialogs dialogs;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Till> m_till;
    FrmForma *m_window = nullptr;
};

// Two cards as the tests use them: Иванов with three purchases, Петров with none.
inline QStringList ivanovCard()
{
    return {"Иванов", "Иван",   "Иванович", "123",       "",       "5",   " 2 ",       "1970",
            "12",     " 0 ",    "2005",     "Телевизор", "1500",   " 2 ", "Пульт",     "ABC123",
            "1",      " 5 ",    "2010",     "Утюг",      "300",    " 0 ", "3",         " 11 ",
            "2015",   "Чайник", "12,5",     " 4 ",       "Чайник", "S1",  "Подставка", "S2"};
}
inline QStringList petrovCard()
{
    return {"Петров", "Пётр", "", "555", "777", "1", "-1 ", "1980"};
}
