#include "FrmOprog.h"

#include "AboutFont.h"
#include "AboutPictures.h"
#include "LinkLabel.h"
#include "SaveFileUrl.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int kWidth = 356;
constexpr int kHeight = 209;
constexpr int kRowHeight = 24;
constexpr int kGap = 4; // between a text and the next text or the window's edge

const QColor kBackground(224, 224, 224);

struct Caption {
    const char *text;
    int x, y;
};

// The plain captions, all of them `Label2`.
constexpr Caption kCaptions[] = {
    {"Сайт:", 104, 56},
    {"Версия: v2.1", 104, 80},
    {"Дата: 3 октября 2003 год -", 104, 104},
    {"24 августа 2015 год", 156, 128},
};
constexpr QPoint kLinkAt(152, 56);

// Every text must fit between its left edge and the next thing to its right.
QList<TextRoom> textRooms()
{
    QList<TextRoom> rooms;
    for (const Caption &c : kCaptions) {
        const int right = c.y == kLinkAt.y() ? kLinkAt.x() - kGap : kWidth - kGap;
        rooms.append({QString::fromUtf8(c.text), right - c.x, kRowHeight});
    }
    rooms.append({QString::fromUtf8(kSiteSlogan), kWidth - kGap - kLinkAt.x(), kRowHeight});
    return rooms;
}

QLabel *pictureLabel(const char *name, const QImage &image, QPoint at, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(QPixmap::fromImage(image));
    label->setGeometry(QRect(at, image.size()));
    return label;
}

} // namespace

FrmOprog::FrmOprog(const QString &bazaPath, QWidget *parent) : QDialog(parent), m_bazaPath(bazaPath)
{
    setObjectName(QStringLiteral("frmOprog"));
    setWindowTitle(QStringLiteral("О программе"));
    setModal(true);
    setFixedSize(kWidth, kHeight);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    setPalette(colours);
    setAutoFillBackground(true);
    setFont(aboutFont(textRooms())); // before the controls, so that they all take it

    pictureLabel("Image1", emblemPicture(), QPoint(16, 8), this);
    for (const Caption &c : kCaptions)
        addLabel(QString::fromUtf8(c.text), c.x, c.y)->setObjectName(QStringLiteral("Label2"));

    m_label1 = new LinkLabel(QString::fromUtf8(kSiteSlogan), QString::fromUtf8(kSiteAddress), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->move(kLinkAt);
    m_label1->adjustSize();
    connect(m_label1, &LinkLabel::clicked, this, &FrmOprog::Label1_Click);

    addLine("Line1", QPalette::WindowText, 152);
    addLine("Line2", QPalette::Base, 153);

    pictureLabel("Picture1", bandsPicture(), QPoint(8, 160), this);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setGeometry(256, 164, 89, 33);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &FrmOprog::OK_Click);
    ok->setFocus();
}

QLabel *FrmOprog::addLabel(const QString &text, int x, int y)
{
    auto *label = new QLabel(text, this);
    label->move(x, y);
    label->adjustSize();
    return label;
}

// A one-pixel rule across the window in a colour of the system's palette; two of them, dark over
// light, make the engraved line above the buttons.
void FrmOprog::addLine(const char *name, QPalette::ColorRole role, int y)
{
    auto *line = new QWidget(this);
    line->setObjectName(QString::fromLatin1(name));
    QPalette colours = line->palette();
    colours.setColor(QPalette::Window, QApplication::palette().color(role));
    line->setPalette(colours);
    line->setAutoFillBackground(true);
    line->setGeometry(8, y, 344 - 8, 1);
}

void FrmOprog::Label1_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SaveFileUrl(m_bazaPath, m_label1->address(), this);
    QApplication::restoreOverrideCursor();
}

void FrmOprog::OK_Click()
{
    accept();
}
