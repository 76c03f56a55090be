#include "text/locale.h"

#include <locale>

namespace pv {
namespace {

std::locale EnvironmentLocale(std::locale::category cat) {
    try {
        return std::locale(std::locale::classic(), "", cat);
    } catch (const std::exception&) {
        return std::locale::classic();
    }
}

bool IsClassic(const std::locale& loc) { return loc.name() == "C" || loc.name() == "POSIX"; }

NumericLocale& Current() {
    static NumericLocale current = UserNumericLocale();
    return current;
}

} // namespace

NumericLocale UserNumericLocale() {
    NumericLocale out;
    std::locale num = EnvironmentLocale(std::locale::numeric);
    const auto& np = std::use_facet<std::numpunct<char>>(num);
    if (!IsClassic(num)) {
        out.DecimalPoint = std::string(1, np.decimal_point());
        char sep = np.thousands_sep();
        // Locales whose grouping character is not one byte (a narrow no-break
        // space, say) still need a visible separator.
        out.ThousandsSeparator = (sep == '\0') ? std::string(out.DecimalPoint == "," ? "." : ",")
                                               : std::string(1, sep);
    }
    std::locale mon = EnvironmentLocale(std::locale::monetary);
    if (!IsClassic(mon)) {
        const auto& mp = std::use_facet<std::moneypunct<char, false>>(mon);
        std::string sym = mp.curr_symbol();
        if (!sym.empty()) out.CurrencySymbol = sym;
        auto pattern = mp.pos_format();
        for (char part : pattern.field) {
            if (part == std::money_base::symbol) { out.CurrencyPrecedes = true; break; }
            if (part == std::money_base::value) { out.CurrencyPrecedes = false; break; }
        }
    }
    return out;
}

const NumericLocale& CurrentNumericLocale() { return Current(); }

void SetCurrentNumericLocale(const NumericLocale& locale) { Current() = locale; }

} // namespace pv
