// The thread's numeric locale with POSIX's per-thread locales (uselocale).
#include "platform/numeric_locale.h"

#include <locale.h>

NumericLocaleC::NumericLocaleC() {
    locale_t base = duplocale(uselocale(locale_t(0)));
    if (!base) return;
    locale_t c = newlocale(LC_NUMERIC_MASK, "C", base);  // takes base over when it succeeds
    if (!c) {
        freelocale(base);
        return;
    }
    numericC = c;
    previous = uselocale(c);
}

NumericLocaleC::~NumericLocaleC() {
    if (!numericC) return;
    uselocale(static_cast<locale_t>(previous));
    freelocale(static_cast<locale_t>(numericC));
}
