#include "ImageButton.h"
#include "RaisedFrame.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

QPoint g_cursor; // the screen cursor the buttons read, in global coordinates

// Puts the cursor on `local` of `b` without any event.
void point(QWidget &b, QPoint local)
{
    g_cursor = b.mapToGlobal(local);
}

// Moves the cursor and reports the move; the event carries no useful position on purpose.
void moveTo(QWidget &b, QPoint local)
{
    point(b, local);
    QMouseEvent move(QEvent::MouseMove, QPointF(-100, -100), QPointF(g_cursor), Qt::NoButton,
                     QGuiApplication::mouseButtons(), Qt::NoModifier);
    QApplication::sendEvent(&b, &move);
}

// 'U' raised, 'D' sunken, told by the top-left frame pixel.
char look(QWidget &b)
{
    const QColor c = b.grab().toImage().pixelColor(0, 0);
    return c == QColor(Qt::white) ? 'U' : c == frame3d::workspace() ? 'D' : '?';
}

QTimer *timer1(QWidget &b)
{
    return b.findChild<QTimer *>(QStringLiteral("Timer1"));
}

void checkFrame(QWidget &b, bool sunken)
{
    const QImage img = b.grab().toImage();
    const int w = b.width(), h = b.height();
    const QColor white(Qt::white), black(Qt::black), light = frame3d::light(), ws = frame3d::workspace();
    const struct {
        int x, y;
        QColor up, down;
    } pixels[] = {{0, 0, white, ws},        {0, h - 2, white, ws},        {1, 1, light, black},
                  {1, h - 2, ws, white},    {w - 2, 1, ws, white},        {0, h - 1, black, light},
                  {w - 1, 0, black, light}, {w - 1, h - 1, black, light}, {w - 2, h - 1, black, light}};
    for (const auto &p : pixels)
        QCOMPARE(img.pixelColor(p.x, p.y), sunken ? p.down : p.up);
}

template <class Button> void checkFixedSize(QSize want)
{
    QWidget host;
    auto *b = new Button(&host);
    b->setFixedSize(40, 40); // before it is shown
    host.show();
    QCOMPARE(b->size(), want);
    b->resize(100, 100);
    QCOMPARE(b->size(), want);
    b->setMinimumSize(60, 60);
    QCOMPARE(b->size(), want);
}

} // namespace

class TestImageButton : public QObject {
    Q_OBJECT

    const QPoint m_inside{10, 10}, m_outside{30, 5}; // on a 22 x 20 cross button

private slots:
    void initTestCase()
    {
        ImageButton::setCursorSource([] { return g_cursor; });
    }
    void cleanupTestCase() { ImageButton::setCursorSource({}); }

    void clickStaysSunkenUntilPointerMoves()
    {
        CloseButton b;
        b.show();
        QSignalSpy clicks(&b, &ImageButton::Click);
        QCOMPARE(look(b), 'U');
        point(b, m_inside);
        QTest::mousePress(&b, Qt::LeftButton);
        QCOMPARE(look(b), 'D');
        QTest::mouseRelease(&b, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QTest::qWait(20); // the poll sees the cursor still inside
        QCOMPARE(look(b), 'D');
        QVERIFY(timer1(b)->isActive());
        moveTo(b, m_inside);
        QCOMPARE(look(b), 'U');
    }

    void dragOut_data()
    {
        QTest::addColumn<bool>("comeBack");
        QTest::newRow("released outside") << false;
        QTest::newRow("out and back") << true;
    }
    void dragOut()
    {
        QFETCH(bool, comeBack);
        CloseButton b;
        b.show();
        QSignalSpy clicks(&b, &ImageButton::Click);
        point(b, m_inside);
        QTest::mousePress(&b, Qt::LeftButton);
        moveTo(b, m_outside);
        QCOMPARE(look(b), 'U');
        if (comeBack) {
            moveTo(b, m_inside);
            QCOMPARE(look(b), 'D');
        }
        QTest::mouseRelease(&b, Qt::LeftButton); // at the centre: only the cursor counts
        QCOMPARE(clicks.count(), comeBack ? 1 : 0);
    }

    void rightButtonDoesNothing()
    {
        CloseButton b;
        b.show();
        QSignalSpy clicks(&b, &ImageButton::Click);
        point(b, m_inside);
        QTest::mousePress(&b, Qt::RightButton);
        QCOMPARE(look(b), 'U');
        QVERIFY(!timer1(b)->isActive());
        QTest::mouseRelease(&b, Qt::RightButton);
        QCOMPARE(clicks.count(), 0);
    }

    void pollRestoresRaisedOnlyAfterRelease()
    {
        CloseButton b;
        b.show();
        point(b, m_inside);
        QTest::mousePress(&b, Qt::LeftButton);
        point(b, m_outside); // leaves with no move reported
        QTest::qWait(20);
        QCOMPARE(look(b), 'D'); // still held
        QTest::mouseRelease(&b, Qt::LeftButton);
        QTRY_VERIFY(!timer1(b)->isActive());
        QCOMPARE(look(b), 'U');
    }

    void edgesCountAsInside_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("clicks");
        QTest::newRow("x = W, y = H") << QPoint(22, 20) << 1;
        QTest::newRow("origin") << QPoint(0, 0) << 1;
        QTest::newRow("x = W + 1") << QPoint(23, 10) << 0;
        QTest::newRow("y = H + 1") << QPoint(10, 21) << 0;
        QTest::newRow("x = -1") << QPoint(-1, 10) << 0;
    }
    void edgesCountAsInside()
    {
        QFETCH(QPoint, at);
        QFETCH(int, clicks);
        CloseButton b;
        b.show();
        QSignalSpy spy(&b, &ImageButton::Click);
        QTest::mousePress(&b, Qt::LeftButton);
        point(b, at);
        QTest::mouseRelease(&b, Qt::LeftButton);
        QCOMPARE(spy.count(), clicks);
    }

    void fixedSizes()
    {
        checkFixedSize<BackButton>(QSize(27, 28));
        checkFixedSize<CloseButton>(QSize(22, 20));
    }

    void backLook()
    {
        BackButton b;
        b.show();
        const QColor silver(192, 192, 192), black(Qt::black), blue(51, 204, 255);
        checkFrame(b, false);
        QImage img = b.grab().toImage();
        QCOMPARE(img.pixelColor(6, 7), silver); // the picture's corner, copied with it
        QCOMPARE(img.pixelColor(6, 13), black); // the arrow's tip
        QCOMPARE(img.pixelColor(13, 13), blue);
        point(b, m_inside);
        QTest::mousePress(&b, Qt::LeftButton);
        checkFrame(b, true);
        img = b.grab().toImage();
        QCOMPARE(img.pixelColor(6, 7), b.palette().color(QPalette::Button));
        QCOMPARE(img.pixelColor(8, 9), silver);
        QCOMPARE(img.pixelColor(8, 15), black);
        QCOMPARE(img.pixelColor(15, 15), blue);
    }

    void closeLook()
    {
        CloseButton b;
        b.show();
        const QColor face = b.palette().color(QPalette::Button), black(Qt::black);
        checkFrame(b, false);
        QImage img = b.grab().toImage();
        QCOMPARE(img.pixelColor(5, 4), black);
        QCOMPARE(img.pixelColor(15, 14), black);
        QCOMPARE(img.pixelColor(16, 15), face); // a stroke stops short of its end point
        QCOMPARE(img.pixelColor(16, 3), face);
        point(b, m_inside);
        QTest::mousePress(&b, Qt::LeftButton);
        checkFrame(b, true);
        img = b.grab().toImage();
        QCOMPARE(img.pixelColor(5, 4), face);
        QCOMPARE(img.pixelColor(7, 6), black);
        QCOMPARE(img.pixelColor(17, 16), black);
        QCOMPARE(img.pixelColor(18, 17), face);
    }
};

QTEST_MAIN(TestImageButton)
#include "tst_imagebutton.moc"
