#include "EntryRules.h"

#include "Cp1251.h"

#include <QContextMenuEvent>
#include <QMenu>

#include <algorithm>
#include <memory>

namespace {

struct Span {
    qsizetype start;
    qsizetype length;
};

// The part of `after` that replaced a part of `before`. An insertion ends at the caret; any other
// change (a drop that moved text, an input method) is found from the common ends.
Span changedSpan(const QString &before, const QString &after, qsizetype caret)
{
    qsizetype suffix = 0;
    const qsizetype tail = after.size() - caret;
    if (caret >= 0 && tail >= 0 && tail <= before.size() &&
        QStringView(after).last(tail) == QStringView(before).last(tail)) {
        suffix = tail;
    } else {
        const qsizetype most = std::min(before.size(), after.size());
        while (suffix < most && after[after.size() - 1 - suffix] == before[before.size() - 1 - suffix])
            ++suffix;
    }
    qsizetype prefix = 0;
    const qsizetype most = std::min(before.size(), after.size()) - suffix;
    while (prefix < most && after[prefix] == before[prefix])
        ++prefix;
    return {prefix, after.size() - suffix - prefix};
}

bool isControl(QChar c)
{
    return c.unicode() < 0x20;
}

} // namespace

std::optional<QString> acceptedInsertion(FieldKind kind, const QString &inserted, qsizetype room)
{
    QString text;
    text.reserve(inserted.size());
    bool blankDue = false;
    for (const QChar c : inserted) {
        if (isControl(c)) {
            blankDue = !text.isEmpty();
            continue;
        }
        if (blankDue)
            text += QLatin1Char(' ');
        blankDue = false;
        text += c;
    }
    if (!std::all_of(text.cbegin(), text.cend(),
                     [kind](QChar c) { return FieldValidator::accepts(kind, c); }))
        return std::nullopt;
    if (room >= 0 && text.size() > room) {
        if (room == 0)
            return std::nullopt;
        text.truncate(room);
    }
    return text;
}

bool FieldValidator::accepts(FieldKind kind, QChar c)
{
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    switch (kind) {
    case FieldKind::Text:
        return !isControl(c) && cp1251::canEncode(c);
    case FieldKind::Digits:
        return digit;
    case FieldKind::Sum:
        return digit || c == QLatin1Char('.') || c == QLatin1Char(',');
    }
    return false;
}

QValidator::State FieldValidator::validate(QString &input, int &pos) const
{
    if (!m_operatorEditing) {
        m_held = {input};
        return Acceptable;
    }
    if (m_held.contains(input)) {
        m_held.move(m_held.indexOf(input), m_held.size() - 1);
        return Acceptable;
    }
    const Span span = changedSpan(m_held.value(m_held.size() - 1), input, pos);
    const qsizetype room =
        m_typingLimit < 0 ? -1 : std::max<qsizetype>(0, m_typingLimit - (input.size() - span.length));
    const std::optional<QString> taken = acceptedInsertion(m_kind, input.mid(span.start, span.length), room);
    if (!taken)
        return Invalid; // the field takes back the text it held
    input.replace(span.start, span.length, *taken);
    pos = int(span.start + taken->size());
    m_held.removeAll(input);
    m_held << input;
    return Acceptable;
}

QString withCapitalFirstLetter(const QString &text)
{
    return text.size() == 1 ? text.toUpper() : text;
}

EntryLineEdit::EntryLineEdit(FieldKind kind, QWidget *parent)
    : QLineEdit(parent), m_validator(new FieldValidator(kind, this))
{
    setValidator(m_validator);
}

template <typename Handler> void EntryLineEdit::asOperator(Handler handler)
{
    m_validator->setOperatorEditing(true);
    handler();
    m_validator->setOperatorEditing(false);
}

void EntryLineEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    deselect();
    end(false);
}

void EntryLineEdit::keyPressEvent(QKeyEvent *event)
{
    asOperator([&] { QLineEdit::keyPressEvent(event); });
}

void EntryLineEdit::inputMethodEvent(QInputMethodEvent *event)
{
    asOperator([&] { QLineEdit::inputMethodEvent(event); });
}

void EntryLineEdit::mouseReleaseEvent(QMouseEvent *event)
{
    asOperator([&] { QLineEdit::mouseReleaseEvent(event); }); // the middle button pastes the selection
}

void EntryLineEdit::dropEvent(QDropEvent *event)
{
    asOperator([&] { QLineEdit::dropEvent(event); });
}

void EntryLineEdit::contextMenuEvent(QContextMenuEvent *event)
{
    // The standard menu, run here rather than after the event, so that its Paste is filtered.
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    asOperator([&] { menu->exec(event->globalPos()); });
}
