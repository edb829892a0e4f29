// A server's connection options as columns of the CSV export and import:
// named as config.json names them, their values as config.json and the page
// write them (an enumeration by its name, a number, a text), a yes or no as
// 是 or 否. The gateway's password is never a column: a list that leaves the
// machine carries no secret it was not asked for.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rdp/connection_options.h"

// ",gatewayMode,gatewayHost,...": what follows the export's own columns.
// Made once: every export and import asks for it.
const std::string& OptionColumnsHeader();

// The options' cells, each after a comma; appendText writes a text cell
// (quoted and guarded as the export's other texts are).
template <typename AppendText>
void AppendOptionCells(std::string* out, const ConnectionOptions& options, AppendText&& appendText);

// Which cells of a header row name an option, and their values in a row.
class OptionColumns {
public:
    // Finds the option names among a header row's cells (as the import
    // reads headers: case and "-", "_", "." and blanks do not matter);
    // returns how many it found.
    std::size_t Read(const std::vector<std::string_view>& cells);
    // Sets each option whose column holds a value it takes; a cell that is
    // empty or none of the option's values leaves the option as it is.
    void Apply(const std::vector<std::string_view>& cells, ConnectionOptions* options) const;

private:
    std::vector<std::pair<std::size_t, std::size_t>> columns_;  // cell, field
};

// ---- template ----

namespace option_columns {
std::string CellText(bool value);
std::string CellText(int value);
std::string CellText(const std::string& value);
template <typename Enum>
std::string CellText(Enum value) {
    const auto index = static_cast<std::size_t>(value);
    return index < EnumNames<Enum>::kCount ? EnumNames<Enum>::kNames[index] : std::string();
}
}  // namespace option_columns

template <typename AppendText>
void AppendOptionCells(std::string* out, const ConnectionOptions& options, AppendText&& appendText) {
    ConnectionOptions::ForEachField(
        [&](const FieldSpec& spec, const auto& value) {
            if (spec.has(kSecret)) return;
            out->push_back(',');
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>) {
                appendText(out, value);
            } else {
                out->append(option_columns::CellText(value));
            }
        },
        options);
}
