#include "config/import_text.h"

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "config/formula_guard.h"
#include "core/text.h"

namespace {

enum Property {
    kHost,
    kPort,
    kUser,
    kPassword,
    kRemark,
    kGroup,
    kColorDepth,
    kResolution,
    kSmartSizing,
    kAutoConnect,
    kPropertyCount
};

constexpr int kNoColumn = -1;
using ColumnMap = std::array<int, kPropertyCount>;
using Aliases = std::array<std::string_view, 11>;  // unused slots stay empty

// Header words after normalising (lower-case ASCII, no blanks, "-", "." or "_").
const std::array<Aliases, kPropertyCount> kAliases = {{
    {"地址", "主机", "服务器", "主机名", "ip", "host", "hostname", "address", "server", "addr"},
    {"端口", "端口号", "port"},
    {"用户名", "用户", "账号", "账户", "user", "username", "account", "login"},
    {"密码", "口令", "password", "passwd", "pwd", "pass"},
    {"备注", "说明", "描述", "名称", "标题", "remark", "note", "comment", "name", "desc"},
    {"分组", "组", "类别", "group", "tag"},
    {"色彩深度", "颜色深度", "色深", "色彩", "颜色", "colordepth", "color", "depth"},
    {"分辨率", "尺寸", "resolution", "size", "screen"},
    {"智能缩放", "缩放", "smartsizing", "smart"},
    {"自动连接", "自启动", "autoconnect", "auto"},
}};

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr int kMinSide = 200;
constexpr int kMaxSide = 16384;

// ---- small text helpers (views only: the parser copies a byte once, into
// the record that keeps it) ----

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string_view TrimView(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// A digit string as a number; one beyond the int range gives -1, which every
// caller treats as out of its range.
int DigitsValue(std::string_view digits) {
    int value = 0;
    return ParseDigits(digits, &value) ? value : -1;
}

// ---- lines ----

// Takes the next line starting at *pos. A double quote toggles quoting and
// stays in the line; outside quotes CR, LF and CR LF end it. False when the
// text is used up (text after the last break is a line only when non-empty).
bool NextLine(std::string_view text, std::size_t* pos, std::string_view* line) {
    const std::size_t start = *pos;
    if (start >= text.size()) return false;
    bool quoted = false;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\r' || c == '\n')) {
            *line = text.substr(start, i - start);
            *pos = (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? i + 2 : i + 1;
            return true;
        }
    }
    *line = text.substr(start);
    *pos = text.size();
    return true;
}

bool IsSkippedLine(std::string_view line) {
    return line.empty() || line[0] == '#' || line.compare(0, 2, "//") == 0;
}

// ---- cells ----

// Splits one trimmed line into trimmed cells. The cells are views into the
// line or into buffer_, valid until the next Split.
class CellSplitter {
public:
    const std::vector<std::string_view>& Split(std::string_view line) {
        cells_.clear();
        if (!HasDelimiter(line)) {
            SplitOnSpaces(line);
        } else {
            SplitDelimited(line);
        }
        return cells_;
    }

private:
    // One pass with a switch: the library's find_first_of searches the set
    // once per byte of the line.
    static bool HasDelimiter(std::string_view line) {
        for (char c : line) {
            switch (c) {
                case ',':
                case '\t':
                case ';':
                case '"':
                    return true;
                default:
                    break;
            }
        }
        return false;
    }

    // Only the byte 0x20 separates; runs of spaces make no empty cells.
    void SplitOnSpaces(std::string_view line) {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && line[i] == ' ') ++i;
            const std::size_t start = i;
            while (i < line.size() && line[i] != ' ') ++i;
            if (i > start) cells_.push_back(TrimView(line.substr(start, i - start)));
        }
    }

    // Comma, tab and semicolon separate outside quotes; quotes are dropped and
    // "" inside quotes gives one quote. The unquoted text never outgrows the
    // line, so buffer_ is sized once and written through a plain pointer.
    void SplitDelimited(std::string_view line) {
        if (buffer_.size() < line.size()) buffer_.resize(line.size());
        char* const base = &buffer_[0];
        char* out = base;
        bounds_.clear();
        std::size_t cellStart = 0;
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted) {
                if (c != '"') {
                    *out++ = c;
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    *out++ = '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else if (c == ',' || c == '\t' || c == ';') {
                const std::size_t end = static_cast<std::size_t>(out - base);
                bounds_.emplace_back(cellStart, end);
                cellStart = end;
            } else if (c == '"') {
                quoted = true;
            } else {
                *out++ = c;
            }
        }
        bounds_.emplace_back(cellStart, static_cast<std::size_t>(out - base));
        const std::string_view all(base, static_cast<std::size_t>(out - base));
        for (const auto& b : bounds_) cells_.push_back(TrimView(all.substr(b.first, b.second - b.first)));
    }

    std::vector<std::string_view> cells_;
    std::vector<std::pair<std::size_t, std::size_t>> bounds_;
    std::string buffer_;
};

// ---- header ----

std::string NormaliseHeader(std::string_view cell) {
    std::string out;
    for (char c : TrimView(cell)) {
        if (c == ' ' || c == '\t' || c == '-' || c == '.' || c == '_') continue;
        out.push_back(LowerAscii(c));
    }
    return out;
}

bool IsAliasOf(int property, const std::string& normalised) {
    if (normalised.empty()) return false;
    for (std::string_view alias : kAliases[property]) {
        if (!alias.empty() && alias == normalised) return true;
    }
    return false;
}

ColumnMap FixedColumns() {
    ColumnMap map;
    map.fill(kNoColumn);
    map[kHost] = 0;
    map[kUser] = 1;
    map[kPassword] = 2;
    map[kRemark] = 3;
    map[kGroup] = 4;
    return map;
}

// A first row with a cell naming the host column is a header; each property
// takes the leftmost cell that names it.
bool ReadHeader(const std::vector<std::string_view>& cells, ColumnMap* map) {
    std::vector<std::string> names;
    names.reserve(cells.size());
    for (std::string_view cell : cells) names.push_back(NormaliseHeader(cell));
    map->fill(kNoColumn);
    for (int property = 0; property < kPropertyCount; ++property) {
        for (std::size_t col = 0; col < names.size(); ++col) {
            if (IsAliasOf(property, names[col])) {
                (*map)[property] = static_cast<int>(col);
                break;
            }
        }
    }
    return (*map)[kHost] != kNoColumn;
}

// ---- cell values ----

// 1 for a yes word, 0 for a no word, -1 for anything else.
int YesNo(std::string_view cell) {
    static const std::array<std::string_view, 7> kYes = {"1", "y", "yes", "是", "true", "on", "开"};
    static const std::array<std::string_view, 7> kNo = {"0", "n", "no", "否", "false", "off", "关"};
    char lower[8];
    if (cell.size() > sizeof(lower)) return -1;
    for (std::size_t i = 0; i < cell.size(); ++i) lower[i] = LowerAscii(cell[i]);
    const std::string_view word(lower, cell.size());
    for (std::string_view w : kYes) {
        if (w == word) return 1;
    }
    for (std::string_view w : kNo) {
        if (w == word) return 0;
    }
    return -1;
}

// "1920x1080", "1920 X 1080", "1920*1080", "1920 × 1080". Both sides must
// be in range, or neither is set.
void ApplyResolution(std::string_view cell, ServerRecord* record) {
    std::size_t sep = cell.find_first_of("xX");
    std::size_t sepLen = 1;
    if (sep == std::string_view::npos) sep = cell.find('*');
    if (sep == std::string_view::npos) {
        sep = cell.find("\xC3\x97");  // U+00D7 MULTIPLICATION SIGN
        sepLen = 2;
    }
    if (sep == std::string_view::npos) return;
    int width = 0;
    int height = 0;
    if (!ParseDigits(TrimView(cell.substr(0, sep)), &width)) return;
    if (!ParseDigits(TrimView(cell.substr(sep + sepLen)), &height)) return;
    if (width < kMinSide || width > kMaxSide || height < kMinSide || height > kMaxSide) return;
    record->width = width;
    record->height = height;
}

void ApplyColorDepth(std::string_view cell, ServerRecord* record) {
    int depth = 0;
    if (ParseDigits(cell, &depth) && (depth == 16 || depth == 24 || depth == 32)) record->colorDepth = depth;
}

std::string_view CellOf(const std::vector<std::string_view>& cells, const ColumnMap& map, int property) {
    const int col = map[property];
    if (col == kNoColumn || static_cast<std::size_t>(col) >= cells.size()) return {};
    return cells[col];  // already trimmed by the splitter
}

// "host:port" with exactly one colon and digits after it; anything else
// (IPv6 with several colons, "name:abc", "name:") is all host, and *port
// stays. Digits only after the first colon also means there is no second one.
std::string_view SplitHostPort(std::string_view cell, int* port) {
    const std::size_t colon = cell.find(':');
    if (colon == std::string_view::npos) return cell;
    const std::string_view digits = cell.substr(colon + 1);
    if (!AllDigits(digits)) return cell;
    *port = DigitsValue(digits);
    return cell.substr(0, colon);
}

// Fills a record from one data row; false when the row gives no host.
bool RowToRecord(const std::vector<std::string_view>& cells, const ColumnMap& map, ServerRecord* record) {
    std::string_view host = CellOf(cells, map, kHost);
    if (host.empty()) return false;
    int port = record->port;
    host = TrimView(SplitHostPort(host, &port));
    const std::string_view portCell = CellOf(cells, map, kPort);
    if (AllDigits(portCell)) port = DigitsValue(portCell);
    record->port = (port >= 1 && port <= 65535) ? port : 3389;
    if (host.empty()) return false;

    record->host = std::string(StripFormulaGuard(host));
    record->user = std::string(StripFormulaGuard(CellOf(cells, map, kUser)));
    record->password = std::string(StripFormulaGuard(CellOf(cells, map, kPassword)));
    record->remark = std::string(StripFormulaGuard(CellOf(cells, map, kRemark)));
    record->group = std::string(StripFormulaGuard(CellOf(cells, map, kGroup)));
    ApplyColorDepth(CellOf(cells, map, kColorDepth), record);
    ApplyResolution(CellOf(cells, map, kResolution), record);
    const int smart = YesNo(CellOf(cells, map, kSmartSizing));
    if (smart >= 0) record->smartSizing = smart == 1;
    const int autoConnect = YesNo(CellOf(cells, map, kAutoConnect));
    if (autoConnect >= 0) record->autoConnect = autoConnect == 1;
    return true;
}

}  // namespace

std::vector<ServerRecord> ImportServersFromText(std::string_view text) {
    if (text.compare(0, kBom.size(), kBom) == 0) text.remove_prefix(kBom.size());

    std::vector<ServerRecord> result;
    CellSplitter splitter;
    ColumnMap map = FixedColumns();
    bool firstRow = true;
    std::size_t pos = 0;
    std::string_view line;
    while (NextLine(text, &pos, &line)) {
        line = TrimView(line);
        if (IsSkippedLine(line)) continue;
        const std::vector<std::string_view>& cells = splitter.Split(line);
        if (firstRow) {
            firstRow = false;
            if (ReadHeader(cells, &map)) continue;
            map = FixedColumns();
        }
        ServerRecord record;
        if (!RowToRecord(cells, map, &record)) continue;
        record.id = NewServerId();
        result.push_back(std::move(record));
    }
    return result;
}
