#pragma once

#include <locale.h>

// libarchive turns entry names into the locale's character set when it reads them: in the C
// locale a Cyrillic name comes back as nothing. While one of these lives, the thread that made it
// (and only that thread) converts characters as in C.UTF-8.
class Utf8Locale {
public:
    Utf8Locale();
    ~Utf8Locale();
    Utf8Locale(const Utf8Locale &) = delete;
    Utf8Locale &operator=(const Utf8Locale &) = delete;

private:
    locale_t m_utf8 = nullptr;
    locale_t m_previous = nullptr;
};
