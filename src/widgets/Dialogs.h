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
    // News that needs no answer (a backup written, or one that failed in the background): a
    // message titled "Тарвеско" that leaves the window working while it is shown.
    virtual void notify(QWidget *parent, const QString &text);
    // The file to write, chosen in the system's save dialog (which asks before replacing one);
    // empty when the operator cancels.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                 const QString &filter);
    // The file to read, chosen in the system's open dialog; empty when the operator cancels.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                 const QString &filter);

    // The dialogs in use; message boxes unless a test installed its own.
    static Dialogs &current();
    // Installs `dialogs` (not owned); nullptr brings back the message boxes.
    static void install(Dialogs *dialogs);
};

inline constexpr auto kProgramTitle = "Тарвеско";
