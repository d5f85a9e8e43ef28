#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include <functional>

class QPainter;
class QTimer;

// A small push button that draws itself: a raised frame at rest, a sunken one while the left
// button holds it. It reads the screen cursor itself rather than the coordinates of mouse events,
// and after a press it polls the cursor so that the raised look comes back once the pointer has left.
// The frame's 3D light and workspace greys are the classic fixed ones of frame3d, not the style's.
class ImageButton : public QWidget {
    Q_OBJECT

public:
    // The screen cursor in global coordinates; QCursor::pos() unless a test installed its own
    // source. An empty function brings QCursor::pos() back.
    static void setCursorSource(std::function<QPoint()> source);

signals:
    // Left button pressed over the button and released over it.
    void Click();

protected:
    ImageButton(QSize fixedSize, QWidget *parent);

    // What sits inside the frame, moved `shift` pixels right and down.
    virtual void drawContent(QPainter &painter, int shift) const = 0;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool cursorInside();
    void DrawUp();
    void DrawDown();
    void Timer1_Timer();

    QSize m_fixedSize;
    bool m_Pressed = false;
    bool m_sunken = false; // the look last drawn, repainted on demand
    QPoint m_cursor;       // the cursor last read, in this button's pixels
    QTimer *m_Timer1;
};

// 27 x 28, a left-pointing arrow.
class BackButton final : public ImageButton {
public:
    explicit BackButton(QWidget *parent = nullptr);

private:
    void drawContent(QPainter &painter, int shift) const override;

    QImage m_Image1;
};

// 22 x 20, a cross.
class CloseButton final : public ImageButton {
public:
    explicit CloseButton(QWidget *parent = nullptr);

private:
    void drawContent(QPainter &painter, int shift) const override;
};
