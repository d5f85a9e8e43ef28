#pragma once

#include <QString>

class QWidget;

// Everything the program tells or asks the operator goes through here, so that tests can read
// the messages and answer the questions without a modal loop.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message with the stop icon, one OK button and the title "Тарвеско".
    virtual void critical(QWidget *parent, const QString &text) = 0;
    // A question titled "Запрос" with Yes and No, the exclamation icon and No as default;
    // true unless the answer is No.
    virtual bool confirm(QWidget *parent, const QString &text) = 0;

    // The dialogs in use; message boxes unless a test installed its own.
    static Dialogs &current();
    // Installs `dialogs` (not owned); nullptr brings back the message boxes.
    static void install(Dialogs *dialogs);
};

inline constexpr auto kProgramTitle = "Тарвеско";
