#pragma once

#include "Dialogs.h"

#include <QStringList>

// Records what the operator would be told and answers questions without a modal loop.
// Installed for its lifetime.
class RecordingDialogs final : public Dialogs {
public:
    RecordingDialogs() { Dialogs::install(this); }
    ~RecordingDialogs() override { Dialogs::install(nullptr); }

    void critical(QWidget *, const QString &text) override { messages.append(text); }
    bool confirm(QWidget *, const QString &text) override
    {
        questions.append(text);
        return answer;
    }

    void notify(QWidget *, const QString &text) override { messages.append(text); }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return savePath;
    }

    QString openFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return openPath;
    }

    QString takeMessage() { return messages.isEmpty() ? QString() : messages.takeFirst(); }

    QStringList messages;
    QStringList questions;
    bool answer = true;
    QString savePath; // the file the save dialog gives
    QString openPath; // the file the open dialog gives
};
