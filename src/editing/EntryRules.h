#pragma once

#include <QLineEdit>
#include <QValidator>

#include <optional>

// What a field accepts: any text the card files can hold, digits only, or a sum.
enum class FieldKind { Text, Digits, Sum };

// What the operator's insertion into a field becomes: runs of control characters (line breaks,
// tabs) turn into one blank, those at either end are dropped, and the rest is cut to `room`
// characters (negative: no limit). Nothing when the field refuses a character of it, or when it
// has no room left for a non-empty insertion.
std::optional<QString> acceptedInsertion(FieldKind kind, const QString &inserted, qsizetype room);

// Judges only what the operator inserts (typed, pasted, dropped), never the text the program puts
// into the field: a card read from disk is shown as it is, however long or odd its fields.
class FieldValidator final : public QValidator {
    Q_OBJECT

public:
    explicit FieldValidator(FieldKind kind, QObject *parent = nullptr) : QValidator(parent), m_kind(kind) {}
    State validate(QString &input, int &pos) const override;
    static bool accepts(FieldKind kind, QChar c);

    // The most characters typing may bring the field to (negative: no limit).
    void setTypingLimit(int limit) { m_typingLimit = limit; }
    // Set while an operator's key, paste or drop is being handled.
    void setOperatorEditing(bool on) { m_operatorEditing = on; }

private:
    FieldKind m_kind;
    int m_typingLimit = -1;
    bool m_operatorEditing = false;
    // The texts the field has held since the program last set it, the current one last: undo and
    // redo may bring any of them back.
    mutable QStringList m_held;
};

// The first letter typed into an empty name field is raised to a capital; longer texts are left
// alone. Returns the text unchanged when there is nothing to raise.
QString withCapitalFirstLetter(const QString &text);

// A one-line entry field of one kind. It puts the caret at the end of its text, nothing selected,
// whenever it receives the focus, and filters what the operator inserts by every route: keys,
// Ctrl+V, Shift+Insert, the context menu, the middle button, drag and drop, input methods.
class EntryLineEdit final : public QLineEdit {
    Q_OBJECT

public:
    explicit EntryLineEdit(FieldKind kind, QWidget *parent = nullptr);
    // Typing stops at `limit` characters; text the program sets is never cut.
    void setTypingLimit(int limit) { m_validator->setTypingLimit(limit); }

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    template <typename Handler> void asOperator(Handler handler);

    FieldValidator *m_validator;
};
