// Spreadsheet programs run a CSV cell that starts with = + - @ as a formula,
// and some first drop a leading tab or carriage return. The export puts one
// "'" before such a value, and before a value that is already quotes
// followed by such a character; the import drops exactly one quote from a
// cell of the second form, in a file that opens with the export's header.
// Both sides share this one rule, so every value comes back as it was, and
// a quote a person typed in any other list stays.
#pragma once

#include <cstddef>
#include <string_view>

// The first line of every export: the import knows its files by it.
constexpr std::string_view kExportHeader =
    "地址,端口,用户名,密码,备注,分组,色彩深度,分辨率,智能缩放,自动连接";

// True when value is zero or more "'" followed by one of = + - @ TAB CR.
inline bool StartsLikeFormula(std::string_view value) {
    std::size_t quotes = 0;
    while (quotes < value.size() && value[quotes] == '\'') ++quotes;
    if (quotes == value.size()) return false;
    const char c = value[quotes];
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// A cell read back: one leading quote fewer when the export put it there.
inline std::string_view StripFormulaGuard(std::string_view cell) {
    return !cell.empty() && cell[0] == '\'' && StartsLikeFormula(cell) ? cell.substr(1) : cell;
}
