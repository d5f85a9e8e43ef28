#pragma once

#include <QLineEdit>
#include <QValidator>

// What a field accepts: any text the card files can hold, digits only, or a sum.
enum class FieldKind { Text, Digits, Sum };

// Refuses, typed or pasted, every character the field does not accept and every character that
// Windows-1251 cannot hold, so that what is saved is what the operator saw.
class FieldValidator final : public QValidator {
    Q_OBJECT

public:
    explicit FieldValidator(FieldKind kind, QObject *parent = nullptr) : QValidator(parent), m_kind(kind) {}
    State validate(QString &input, int &pos) const override;
    static bool accepts(FieldKind kind, QChar c);

private:
    FieldKind m_kind;
};

// The first letter typed into an empty name field is raised to a capital; longer texts are left
// alone. Returns the text unchanged when there is nothing to raise.
QString withCapitalFirstLetter(const QString &text);

// A one-line entry field that puts the caret at the end of its text, nothing selected, whenever
// it receives the focus.
class EntryLineEdit final : public QLineEdit {
    Q_OBJECT

public:
    explicit EntryLineEdit(QWidget *parent = nullptr) : QLineEdit(parent) {}

protected:
    void focusInEvent(QFocusEvent *event) override;
};
