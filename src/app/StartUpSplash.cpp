#include "StartUpSplash.h"

#include "Dialogs.h"
#include "ProgramIcon.h"

#include <QApplication>
#include <QLocale>
#include <QPainter>

#include <algorithm>

namespace {

QString countMessage(qsizetype read, qsizetype total)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    return QStringLiteral("Чтение базы: %1 из %2 карточек")
        .arg(russian.toString(read), russian.toString(total));
}

QPixmap splashPicture()
{
    const QFont font = QApplication::font();
    QFont title = font;
    // The program's font is set in pixels.
    if (font.pixelSize() > 0)
        title.setPixelSize(font.pixelSize() * 8 / 5);
    else
        title.setPointSizeF(font.pointSizeF() * 1.6);
    title.setBold(true);
    const int height = QFontMetrics(title).height() * 4;
    // Wide enough for the count of a million cards.
    const int message = QFontMetrics(font).horizontalAdvance(countMessage(1000000, 1000000));
    QPixmap picture(std::max(height * 4, message + height), height);
    picture.fill(QApplication::palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.setPen(QApplication::palette().color(QPalette::Mid));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    const int side = height / 2;
    painter.drawPixmap(side / 2, side / 4, programIcon().pixmap(side, side));
    painter.setFont(title);
    painter.setPen(QApplication::palette().color(QPalette::WindowText));
    painter.drawText(QRect(side * 2, side / 4, picture.width() - side * 2, side), Qt::AlignVCenter,
                     QString::fromUtf8(kProgramTitle));
    return picture;
}

} // namespace

StartUpSplash::StartUpSplash() : QSplashScreen(splashPicture())
{
    setObjectName(QStringLiteral("StartUpSplash"));
    m_since.start();
}

void StartUpSplash::progress(qsizetype read, qsizetype total)
{
    if (m_since.elapsed() < 500)
        return;
    if (!isVisible()) {
        show();
        QCoreApplication::processEvents();
    }
    showMessage(countMessage(read, total), Qt::AlignBottom | Qt::AlignHCenter,
                palette().color(QPalette::WindowText));
}
