#pragma once
// The user's number conventions, read from the environment's locale
// (LC_ALL / LC_NUMERIC / LC_MONETARY / LANG) without touching the
// process-wide C locale, so parsing elsewhere stays locale-independent.
#include <string>

namespace pv {

struct NumericLocale {
    std::string DecimalPoint = ".";
    std::string ThousandsSeparator = ",";
    std::string CurrencySymbol = "$";
    bool CurrencyPrecedes = true; // symbol before the number
};

/// The conventions of the user's environment; the C/POSIX locale (or an
/// unknown one) gives ".", "," and "$".
NumericLocale UserNumericLocale();

/// The locale used by everything that formats numbers; tests replace it.
const NumericLocale& CurrentNumericLocale();
void SetCurrentNumericLocale(const NumericLocale& locale);

} // namespace pv
