#pragma once

#include <locale.h>

namespace gerador {

// The C locale, made once and never changed: numbers with a decimal point and no grouping.
locale_t pointLocale();

// While it lives, the calling thread formats and reads numbers (printf, strtod) with the C
// locale's decimal point, whatever locale the process has set (a binding's
// locale.setlocale, a caller's setlocale): the files are the same in every locale. The
// other categories, messages among them, stay as they were; other threads keep theirs.
class TPointNumbers {
public:
    TPointNumbers();
    ~TPointNumbers();
    TPointNumbers(const TPointNumbers&) = delete;
    TPointNumbers& operator=(const TPointNumbers&) = delete;

private:
    locale_t own_{};       // none when the thread's numbers already had a point
    locale_t previous_{};  // LC_GLOBAL_LOCALE when the thread had no locale of its own
};

}  // namespace gerador
