#include "AboutPictures.h"
#include "Dialogs.h"
#include "FrmOprog.h"
#include "HelpCommands.h"
#include "LinkLabel.h"
#include "SaveFileUrl.h"
#include "Shell.h"
#include "TestFiles.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// Keeps what the program asked the shell to open, where the viewer was to start, and which pointer
// was showing at the time.
class RecordingShell final : public Shell {
public:
    void open(const QUrl &url, const QString &workingDirectory) override
    {
        urls.append(url);
        folders.append(workingDirectory);
        const QCursor *c = QApplication::overrideCursor();
        cursors.append(c ? c->shape() : Qt::ArrowCursor);
    }
    QList<QUrl> urls;
    QStringList folders;
    QList<Qt::CursorShape> cursors;
};

class RecordingDialogs final : public Dialogs {
public:
    void critical(QWidget *, const QString &text) override
    {
        messages.append(text);
        const QCursor *c = QApplication::overrideCursor();
        cursors.append(c ? c->shape() : Qt::ArrowCursor);
    }
    bool confirm(QWidget *, const QString &text) override
    {
        messages.append(text);
        return true;
    }
    QStringList messages;
    QList<Qt::CursorShape> cursors;
};

QString expectedPage(const QString &address)
{
    return QStringLiteral("<html><head><meta http-equiv='refresh' content='0; url=") + address +
           QStringLiteral("'><meta http-equiv='Content-Type' content='text/html; charset=windows-1251'>"
                          "<title>WWW</title></head><body></body></html>");
}

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_baza; // the data folder, ending with the separator
    RecordingShell m_shell;
    RecordingDialogs m_dialogs;

    QLabel *link(FrmOprog &w) { return w.findChild<QLabel *>(QStringLiteral("Label1")); }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        m_baza = m_dir->path() + QStringLiteral("/База/");
        QVERIFY(QDir().mkpath(m_baza));
        m_shell.urls.clear();
        m_shell.folders.clear();
        m_shell.cursors.clear();
        m_dialogs.messages.clear();
        m_dialogs.cursors.clear();
        Shell::install(&m_shell);
        Dialogs::install(&m_dialogs);
    }

    void cleanup()
    {
        Shell::install(nullptr);
        Dialogs::install(nullptr);
        QFile::setPermissions(m_baza + QStringLiteral("0.html"), QFile::ReadOwner | QFile::WriteOwner);
        delete m_dir;
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }

    // "Вызов справки" asks for the document of the data folder, present or not, to be opened from the
    // program folder, and says nothing.
    void helpOpensTheDocumentOfTheDataFolder()
    {
        callHelp(m_baza);
        QVERIFY(testfiles::writeAll(m_baza + QStringLiteral("Справка.html"), "<html></html>"));
        callHelp(m_baza);

        const QUrl want = QUrl::fromLocalFile(m_baza + QStringLiteral("Справка.html"));
        QCOMPARE(m_shell.urls, QList<QUrl>({want, want}));
        QVERIFY(want.isLocalFile());
        QCOMPARE(want.toLocalFile(), m_dir->path() + QStringLiteral("/База/Справка.html"));
        const QString programFolder = QCoreApplication::applicationDirPath();
        QCOMPARE(m_shell.folders, QStringList({programFolder, programFolder}));
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    // One line in Windows-1251 ended by CR LF; the address goes in unescaped.
    void redirectPageIsOneExactLine()
    {
        const QString address = QStringLiteral("http://tarvesko.example/покупки?a=1&b='2'");
        const QString written = SaveFileUrl(m_baza, address);

        QCOMPARE(written, m_baza + QStringLiteral("0.html"));
        const QByteArray bytes = testfiles::readAll(written);
        QCOMPARE(bytes, cp1251::encode(expectedPage(address)) + "\r\n");
        QCOMPARE(bytes.count('\n'), 1);
        QCOMPARE(bytes.count('\r'), 1);
        QCOMPARE(m_shell.urls, QList<QUrl>({QUrl::fromLocalFile(written)}));
    }

    // The page is overwritten each time; a number that cannot be written is skipped.
    void pageNumbersAreReusedAndSkipped()
    {
        SaveFileUrl(m_baza, QStringLiteral("http://one.example/"));
        SaveFileUrl(m_baza, QStringLiteral("http://two.example/"));
        const QString zero = m_baza + QStringLiteral("0.html");
        QCOMPARE(testfiles::readAll(zero),
                 cp1251::encode(expectedPage(QStringLiteral("http://two.example/"))) + "\r\n");
        QVERIFY(!QFile::exists(m_baza + QStringLiteral("1.html")));

        // Read-only: refused also when the tests run as root.
        const QByteArray before = testfiles::readAll(zero);
        QVERIFY(QFile::setPermissions(zero, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QString written = SaveFileUrl(m_baza, QStringLiteral("http://three.example/"));

        QCOMPARE(written, m_baza + QStringLiteral("1.html"));
        QCOMPARE(testfiles::readAll(zero), before);
        QCOMPARE(testfiles::readAll(written),
                 cp1251::encode(expectedPage(QStringLiteral("http://three.example/"))) + "\r\n");
        QCOMPARE(m_shell.urls.size(), 3);
        QCOMPARE(m_shell.urls.last(), QUrl::fromLocalFile(written));
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    // Where nothing can be created the tries end, the operator is told once about the folder (under
    // the normal pointer, though the link shows the hourglass) and nothing is opened.
    void givesUpWhereNothingCanBeWritten()
    {
        const QString missing = m_dir->path() + QStringLiteral("/Нет такой/");
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const QString written = SaveFileUrl(missing, QStringLiteral("http://tarvesko.example/"));
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QApplication::restoreOverrideCursor();

        QVERIFY(written.isEmpty());
        QCOMPARE(m_dialogs.messages, QStringList(QStringLiteral("Файл \"") + missing.chopped(1) +
                                                 QStringLiteral("\" сохранить не возможно.")));
        QCOMPARE(m_dialogs.cursors, QList<Qt::CursorShape>({Qt::ArrowCursor}));
        QVERIFY(m_shell.urls.isEmpty());
        QVERIFY(!QFile::exists(missing));
    }

    void aboutWindowLayout()
    {
        FrmOprog w(m_baza);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QCOMPARE(w.windowTitle(), QStringLiteral("О программе"));
        QVERIFY(w.isModal());
        QCOMPARE(w.size(), QSize(356, 209));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.palette().color(QPalette::Window), QColor(224, 224, 224));

        const struct {
            const char *name;
            QRect at;
        } placed[] = {
            {"Image1", {16, 8, 71, 126}}, {"Picture1", {8, 160, 80, 45}}, {"OK", {256, 164, 89, 33}}};
        for (const auto &p : placed) {
            const QWidget *c = w.findChild<QWidget *>(QString::fromLatin1(p.name));
            QVERIFY2(c, p.name);
            QCOMPARE(c->geometry(), p.at);
        }
        QCOMPARE(link(w)->pos(), QPoint(152, 56));

        // Every text is whole: its label shows all of it and stays inside the window.
        QStringList texts;
        for (const QLabel *l : w.findChildren<QLabel *>()) {
            if (l->text().isEmpty())
                continue;
            texts.append(l->text());
            QVERIFY2(l->width() >= l->sizeHint().width(), qPrintable(l->text()));
            QVERIFY2(l->geometry().right() < w.width(), qPrintable(l->text()));
            QVERIFY2(l->font().bold(), qPrintable(l->text()));
        }
        for (const char *t : {"Сайт:", "Версия: v2.1", "Дата: 3 октября 2003 год -", "24 августа 2015 год"})
            QVERIFY2(texts.contains(QString::fromUtf8(t)), t);
        const QLabel *site = w.findChild<QLabel *>(QStringLiteral("Label2"));
        QVERIFY(site->geometry().right() < link(w)->x());

        // White, then blue from row 15, then red from row 31.
        const QImage bands = w.findChild<QLabel *>(QStringLiteral("Picture1"))->grab().toImage();
        for (const auto &[y, colour] : {std::pair{14, QColor(Qt::white)}, std::pair{15, QColor(0, 0, 255)},
                                        std::pair{30, QColor(0, 0, 255)}, std::pair{31, QColor(255, 0, 0)},
                                        std::pair{44, QColor(255, 0, 0)}})
            QCOMPARE(bands.pixelColor(40, y), colour);
    }

    void aboutWindowClosesOnEnter()
    {
        FrmOprog w(m_baza);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *ok = w.findChild<QPushButton *>(QStringLiteral("OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->text(), QStringLiteral("OK"));

        QTest::keyClick(&w, Qt::Key_Return);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
    }

    // The link looks like one, and each click writes "0.html" under the hourglass and opens it.
    void linkWritesAndOpensItsPage()
    {
        FrmOprog w(m_baza);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QLabel *label1 = link(w);
        QVERIFY(label1->font().underline());
        QCOMPARE(label1->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        QCOMPARE(label1->cursor().shape(), Qt::PointingHandCursor);
        const QString address = static_cast<LinkLabel *>(label1)->address();
        QVERIFY(address.startsWith(QStringLiteral("http://")));
        QVERIFY(!label1->text().contains(address));

        QTest::mouseClick(label1, Qt::LeftButton);
        QTest::mouseClick(label1, Qt::LeftButton);

        const QString zero = m_baza + QStringLiteral("0.html");
        QCOMPARE(testfiles::readAll(zero), cp1251::encode(expectedPage(address)) + "\r\n");
        QVERIFY(!QFile::exists(m_baza + QStringLiteral("1.html")));
        QCOMPARE(m_shell.urls, QList<QUrl>({QUrl::fromLocalFile(zero), QUrl::fromLocalFile(zero)}));
        QCOMPARE(m_shell.cursors, QList<Qt::CursorShape>({Qt::WaitCursor, Qt::WaitCursor}));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(w.isVisible());

        QTest::mouseClick(label1, Qt::RightButton);
        QCOMPARE(m_shell.urls.size(), 2);
    }

    // The document the build lays into the data folder beside the program: Windows-1251, as it
    // declares, so any browser reads the Russian text.
    void builtHelpDocumentIsWindows1251()
    {
        const QString path = QStringLiteral(TARVESKO_BIN_DIR) + QStringLiteral("/База/Справка.html");
        const QByteArray bytes = testfiles::readAll(path);
        QVERIFY2(bytes != "<missing>", qPrintable(path));
        QVERIFY(
            bytes.contains(R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1251">)"));
        const QString text = cp1251::decode(bytes);
        QCOMPARE(cp1251::encode(text), bytes);
        QVERIFY(QString::fromUtf8(bytes).contains(QChar::ReplacementCharacter)); // not UTF-8
        for (const char *needed : {"Тарвеско", "Список покупателей", "Товары.txt", "«База»",
                                   "Ctrl</kbd>+<kbd>S", "<kbd>F4</kbd>", "<kbd>Delete</kbd>"})
            QVERIFY2(text.contains(QString::fromUtf8(needed)), needed);
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
