#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

// A broken property ends the run like a crash, so that libFuzzer keeps the input as an artifact.
namespace fuzzcheck {

[[noreturn]] inline void fail(const char *property, const QString &detail = {})
{
    std::fprintf(stderr, "\n*** property broken: %s\n%s\n", property, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

inline void require(bool ok, const char *property)
{
    if (!ok)
        fail(property);
}

// The report is made only when the property is broken.
template <typename Report> void require(bool ok, const char *property, Report report)
{
    if (!ok)
        fail(property, report());
}

inline bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// A field for a failure report: quoted, control characters shown as \xNN, long texts cut short.
inline QString shown(const QString &text)
{
    constexpr qsizetype kShown = 60;
    QString out = QStringLiteral("\"");
    for (QChar c : text.left(kShown)) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    out += QLatin1Char('"');
    if (text.size() > kShown)
        out += QStringLiteral("... (%1 characters)").arg(text.size());
    return out;
}

inline QString shown(const QStringList &list)
{
    QStringList parts;
    for (const QString &s : list)
        parts.append(shown(s));
    return QLatin1Char('[') + parts.join(QStringLiteral(", ")) + QLatin1Char(']');
}

inline QString shown(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.left(400).toHex(' ')) +
           (bytes.size() > 400 ? QStringLiteral(" ...") : QString());
}

} // namespace fuzzcheck
