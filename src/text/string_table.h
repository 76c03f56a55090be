#pragma once
// Storage of the numbered user-interface texts: one sorted constant table
// per language. Only strings.cpp and the tests look at it directly.
#include <span>
#include <string_view>

namespace pv {

struct NumberedText {
    int Number;
    std::string_view Text; // UTF-8
};

namespace detail {

constexpr bool IsSortedUnique(std::span<const NumberedText> table) {
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i - 1].Number >= table[i].Number) return false;
    return true;
}

std::span<const NumberedText> EnglishTexts();
std::span<const NumberedText> GermanTexts();
std::span<const NumberedText> JapaneseTexts();

} // namespace detail
} // namespace pv
