#pragma once

#include <QString>

class QWidget;

// "Вызов справки": the help document "Справка.html" of the data folder `bazaPath` in the desktop's
// viewer. Nothing is shown when it is missing.
void callHelp(const QString &bazaPath);

// "О программе": the About window, modal over `parent`; returns when it is closed.
void showAbout(QWidget *parent, const QString &bazaPath);
