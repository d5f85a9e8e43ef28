#pragma once

#include <QString>
#include <QTest>
#include <QWidget>

// Types text into a widget with real key events, Cyrillic included (QTest::keyClicks only knows
// Latin-1 key codes).
inline void typeKeys(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}
