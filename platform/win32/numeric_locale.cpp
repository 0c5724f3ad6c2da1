// The thread's numeric locale with the C runtime's per-thread locales.
#include "platform/numeric_locale.h"

#include <locale.h>

#include <clocale>
#include <cstdint>
#include <string>

NumericLocaleC::NumericLocaleC() {
    const int was = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    numericC = new std::string(current ? current : "C");  // the name to go back to
    previous = reinterpret_cast<void*>(intptr_t(was));
    std::setlocale(LC_NUMERIC, "C");
}

NumericLocaleC::~NumericLocaleC() {
    std::string* name = static_cast<std::string*>(numericC);
    std::setlocale(LC_NUMERIC, name->c_str());
    delete name;
    const int was = int(reinterpret_cast<intptr_t>(previous));
    if (was != -1 && was != _ENABLE_PER_THREAD_LOCALE) _configthreadlocale(was);
}
