#include "ImageButton.h"

#include "ArrowPicture.h"
#include "RaisedFrame.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <array>
#include <utility>

namespace {

std::function<QPoint()> &cursorSource()
{
    static std::function<QPoint()> source;
    return source;
}

} // namespace

void ImageButton::setCursorSource(std::function<QPoint()> source)
{
    cursorSource() = std::move(source);
}

ImageButton::ImageButton(QSize fixedSize, QWidget *parent)
    : QWidget(parent), m_fixedSize(fixedSize), m_Timer1(new QTimer(this))
{
    setFixedSize(m_fixedSize);
    setMouseTracking(true); // moves without a button held must reach us too
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(1);
    connect(m_Timer1, &QTimer::timeout, this, &ImageButton::Timer1_Timer);
}

// Inclusive on the right and bottom: the pixel just past the edge still counts.
bool ImageButton::cursorInside()
{
    const auto &source = cursorSource();
    m_cursor = mapFromGlobal(source ? source() : QCursor::pos());
    return m_cursor.x() >= 0 && m_cursor.x() <= width() && m_cursor.y() >= 0 && m_cursor.y() <= height();
}

void ImageButton::DrawUp()
{
    m_sunken = false;
    update();
}

void ImageButton::DrawDown()
{
    m_sunken = true;
    update();
}

void ImageButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (m_sunken)
        frame3d::drawSunken(painter, width(), height());
    else
        frame3d::drawRaised(painter, width(), height());
    drawContent(painter, m_sunken ? 2 : 0);
    if (hasFocus()) {
        // Reached by Tab: a dotted frame inside the 3D one, as a push button shows it.
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void ImageButton::keyPressEvent(QKeyEvent *event)
{
    // Space or Enter on the focused button clicks it, as on a push button.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ImageButton::resizeEvent(QResizeEvent *)
{
    // The host may have loosened the constraints (setMinimumSize, setFixedSize); take them back.
    if (size() != m_fixedSize)
        setFixedSize(m_fixedSize);
    DrawUp();
}

void ImageButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_Pressed = true;
    DrawDown();
    m_Timer1->start();
}

void ImageButton::mouseMoveEvent(QMouseEvent *)
{
    const bool inside = cursorInside();
    if (inside && m_Pressed)
        DrawDown();
    else if (inside || m_Pressed)
        DrawUp();
}

void ImageButton::mouseReleaseEvent(QMouseEvent *)
{
    if (cursorInside() && m_Pressed) {
        // The host's handler runs now and may delete this button.
        const QPointer<ImageButton> self(this);
        emit Click();
        if (!self)
            return;
    }
    m_Pressed = false;
}

// Polls after a press: the button hears no move once the pointer has left it unheld.
void ImageButton::Timer1_Timer()
{
    if (m_Pressed || cursorInside())
        return;
    m_Timer1->stop();
    DrawUp();
}

BackButton::BackButton(QWidget *parent) : ImageButton(QSize(27, 28), parent), m_Image1(arrowPicture())
{
    setFocusPolicy(Qt::TabFocus); // the last stop of the main window's Tab order
}

void BackButton::drawContent(QPainter &painter, int shift) const
{
    painter.drawImage(6 + shift, 7 + shift, m_Image1);
}

CloseButton::CloseButton(QWidget *parent) : ImageButton(QSize(22, 20), parent) {}

void CloseButton::drawContent(QPainter &painter, int shift) const
{
    // Three parallel strokes for each arm, so the cross is bold.
    static constexpr std::array<std::array<int, 4>, 6> lines = {{
        {5, 4, 16, 15},
        {5, 5, 15, 15},
        {6, 4, 16, 14},
        {5, 14, 16, 3},
        {6, 14, 16, 4},
        {5, 13, 15, 3},
    }};
    for (const auto &l : lines)
        frame3d::lineShort(painter, l[0] + shift, l[1] + shift, l[2] + shift, l[3] + shift, Qt::black);
}
