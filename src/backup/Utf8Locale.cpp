#include "Utf8Locale.h"

Utf8Locale::Utf8Locale() : m_utf8(::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
{
    if (m_utf8)
        m_previous = ::uselocale(m_utf8);
}

Utf8Locale::~Utf8Locale()
{
    if (!m_utf8)
        return;
    ::uselocale(m_previous);
    ::freelocale(m_utf8);
}
