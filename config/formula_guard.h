// Spreadsheet programs run a CSV cell that starts with = + - @ as a formula.
// The export puts one "'" before such a value, and before a value that is
// already quotes followed by such a character; the import drops exactly one
// quote from a cell of the second form. Both sides share this one rule, so
// every value comes back as it was.
#pragma once

#include <cstddef>
#include <string_view>

// True when value is zero or more "'" followed by one of = + - @.
inline bool StartsLikeFormula(std::string_view value) {
    std::size_t quotes = 0;
    while (quotes < value.size() && value[quotes] == '\'') ++quotes;
    if (quotes == value.size()) return false;
    const char c = value[quotes];
    return c == '=' || c == '+' || c == '-' || c == '@';
}

// A cell read back: one leading quote fewer when the export put it there.
inline std::string_view StripFormulaGuard(std::string_view cell) {
    return !cell.empty() && cell[0] == '\'' && StartsLikeFormula(cell) ? cell.substr(1) : cell;
}
