#include "config/option_columns.h"

#include <array>

#include "config/record_json.h"

namespace {

// Header cells and yes/no words are compared in lower-case ASCII without
// blanks, "-", "_" or ".".
bool Ignored(char c) {
    return c == ' ' || c == '\t' || c == '-' || c == '_' || c == '.';
}
char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void NormaliseInto(std::string_view text, std::string* out) {
    out->clear();
    for (char c : text) {
        if (!Ignored(c)) out->push_back(Lower(c));
    }
}

std::string Normalised(std::string_view text) {
    std::string out;
    NormaliseInto(text, &out);
    return out;
}

// 1 for a yes word, 0 for a no word, -1 for anything else. Normalised into
// a buffer as long as the longest word: a longer cell is neither, and a
// cell of a row costs no allocation.
int YesNoWord(std::string_view cell) {
    char word[5];
    std::size_t length = 0;
    for (char c : cell) {
        if (Ignored(c)) continue;
        if (length == sizeof(word)) return -1;
        word[length++] = Lower(c);
    }
    const std::string_view normalised(word, length);
    if (normalised == "是" || normalised == "1" || normalised == "true" || normalised == "yes") return 1;
    if (normalised == "否" || normalised == "0" || normalised == "false" || normalised == "no") return 0;
    return -1;
}

std::string_view Trimmed(std::string_view cell) {
    while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t')) cell.remove_prefix(1);
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t')) cell.remove_suffix(1);
    return cell;
}

// Sets the option from a cell as its own rule reads the same value from
// config.json; an empty cell, or a yes/no, number or name that is none,
// leaves it. A text is taken as it stands, as that rule takes a JSON text,
// without a JSON value made on the way for every cell of every row.
template <typename T>
void ApplyCell(const FieldSpec& spec, std::string_view cell, T& value) {
    if (cell.empty()) return;
    if constexpr (std::is_same_v<T, bool>) {
        const int word = YesNoWord(cell);
        if (word >= 0) value = word == 1;
    } else if constexpr (std::is_same_v<T, int>) {
        int number = 0;
        for (char c : cell) {
            if (c < '0' || c > '9' || number > 999999) return;
            number = number * 10 + (c - '0');
        }
        value = record_json::FieldFromJson(spec, JsonValue(number), value);
    } else if constexpr (std::is_same_v<T, std::string>) {
        value.assign(cell);
    } else {
        static_assert(std::is_enum_v<T>, "an option is bool, int, std::string or an enumeration");
        const int index = record_json::EnumNameIndex<T>(cell);
        if (index >= 0) value = static_cast<T>(index);
    }
}

}  // namespace

namespace option_columns {
std::string CellText(bool value) {
    return value ? "是" : "否";
}
std::string CellText(int value) {
    return std::to_string(value);
}
std::string CellText(const std::string& value) {
    return value;
}
}  // namespace option_columns

const std::string& OptionColumnsHeader() {
    static const std::string header = [] {
        std::string text;
        ConnectionOptions::ForEachField(
            [&text](const FieldSpec& spec, const auto&) {
                if (!spec.has(kSecret)) text += std::string(",") + spec.name;
            },
            record_json::Defaults<ConnectionOptions>());
        return text;
    }();
    return header;
}

std::size_t OptionColumns::Read(const std::vector<std::string_view>& cells) {
    // Each field's name as cells are compared; empty for a field that is
    // never a column, which no cell names then (an empty cell is skipped).
    static const std::vector<std::string> kNames = [] {
        std::vector<std::string> names;
        ConnectionOptions::ForEachField(
            [&names](const FieldSpec& spec, const auto&) {
                names.push_back(spec.has(kSecret) ? std::string() : Normalised(spec.name));
            },
            record_json::Defaults<ConnectionOptions>());
        return names;
    }();
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::array<std::size_t, ConnectionOptions::kFieldCount> cellOf;
    cellOf.fill(kNone);
    std::string name;
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        NormaliseInto(cells[cell], &name);
        if (name.empty()) continue;
        for (std::size_t field = 0; field < kNames.size(); ++field) {
            if (kNames[field] != name) continue;
            if (cellOf[field] == kNone) cellOf[field] = cell;  // the leftmost cell that names it
            break;
        }
    }
    columns_.clear();
    for (std::size_t field = 0; field < cellOf.size(); ++field) {
        if (cellOf[field] != kNone) columns_.emplace_back(cellOf[field], field);
    }
    return columns_.size();
}

void OptionColumns::Apply(const std::vector<std::string_view>& cells, ConnectionOptions* options) const {
    if (columns_.empty()) return;
    std::size_t field = 0;
    std::size_t next = 0;
    ConnectionOptions::ForEachField(
        [&](const FieldSpec& spec, auto& value) {
            const std::size_t at = field++;
            if (next >= columns_.size() || columns_[next].second != at) return;
            const std::size_t cell = columns_[next++].first;
            if (cell >= cells.size()) return;
            ApplyCell(spec, Trimmed(cells[cell]), value);
        },
        *options);
}
