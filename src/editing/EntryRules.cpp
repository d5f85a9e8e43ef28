#include "EntryRules.h"

#include "Cp1251.h"

bool FieldValidator::accepts(FieldKind kind, QChar c)
{
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    switch (kind) {
    case FieldKind::Text:
        return cp1251::canEncode(c);
    case FieldKind::Digits:
        return digit;
    case FieldKind::Sum:
        return digit || c == QLatin1Char('.') || c == QLatin1Char(',');
    }
    return false;
}

QValidator::State FieldValidator::validate(QString &input, int &) const
{
    for (QChar c : input)
        if (!accepts(m_kind, c))
            return Invalid;
    return Acceptable;
}

QString withCapitalFirstLetter(const QString &text)
{
    return text.size() == 1 ? text.toUpper() : text;
}

void EntryLineEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    deselect();
    end(false);
}
