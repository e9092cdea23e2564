#include "common/point_numbers.h"

#include <cstring>
#include <langinfo.h>
#include <new>

namespace gerador {

locale_t pointLocale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_ALL_MASK, "C", locale_t{});
        // The "C" locale is built in, so only memory can be lacking.
        if (made == locale_t{}) throw std::bad_alloc();
        return made;
    }();
    return locale;
}

TPointNumbers::TPointNumbers() {
    // Most processes never leave the C locale's numbers, and a hold inside another finds
    // them held: nothing to change then.
    if (std::strcmp(nl_langinfo(RADIXCHAR), ".") == 0) return;
    // A copy of the thread's locale with only the numbers replaced: gettext reads the
    // messages' category, which keeps the chosen language.
    locale_t current = duplocale(uselocale(locale_t{}));
    if (current == locale_t{}) throw std::bad_alloc();
    own_ = newlocale(LC_NUMERIC_MASK, "C", current);
    if (own_ == locale_t{}) {
        freelocale(current);
        throw std::bad_alloc();
    }
    previous_ = uselocale(own_);
}

TPointNumbers::~TPointNumbers() {
    if (own_ == locale_t{}) return;
    uselocale(previous_);
    freelocale(own_);
}

}  // namespace gerador
