#pragma once

#include <QElapsedTimer>
#include <QSplashScreen>

// A small window with the program's name and how many cards are read, shown only when reading
// the base takes long enough for the operator to wonder whether the program started.
class StartUpSplash final : public QSplashScreen {
    Q_OBJECT

public:
    StartUpSplash();

    // How far reading has got; shows the window once half a second has passed.
    void progress(qsizetype read, qsizetype total);

private:
    QElapsedTimer m_since;
};
