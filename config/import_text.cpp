#include "config/import_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <utility>

#include "config/formula_guard.h"
#include "config/option_columns.h"
#include "core/random.h"
#include "core/text.h"

namespace {

enum Property {
    kHost,
    kPort,
    kUser,
    kDomain,
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
using Aliases = std::array<std::string_view, 12>;  // unused slots stay empty

// Header words after normalising (lower-case ASCII, no blanks, "-", "." or "_").
constexpr std::array<Aliases, kPropertyCount> kAliases = {{
    {"地址", "主机", "服务器", "主机名", "ip", "host", "hostname", "address", "server", "addr", "ip地址",
     "ipaddress"},
    {"端口", "端口号", "port"},
    {"用户名", "用户", "账号", "账户", "user", "username", "account", "login"},
    {"域", "domain"},
    {"密码", "口令", "password", "passwd", "pwd", "pass"},
    {"备注", "说明", "描述", "名称", "标题", "remark", "note", "comment", "name", "desc", "description"},
    {"分组", "组", "类别", "group", "tag"},
    {"色彩深度", "颜色深度", "色深", "色彩", "颜色", "colordepth", "color", "depth"},
    {"分辨率", "尺寸", "resolution", "size", "screen"},
    {"智能缩放", "缩放", "smartsizing", "smart"},
    {"自动连接", "自启动", "autoconnect", "auto"},
}};

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr int kMinSide = 200;
constexpr int kMaxSide = 16384;
constexpr char kAnyDelimiter = 0;           // comma, tab and semicolon all separate
constexpr std::size_t kWideBlankCells = 2;  // host and user

// ---- blanks and colons: what documents and Chinese input methods paste ----

bool IsBlankByte(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// What a byte can be of a blank: 1 a blank byte (0x20 or below), 2 or 3 a
// byte at one end of a no-break (U+00A0, C2 A0) or ideographic (U+3000,
// E3 80 80) space of that length, 0 neither. Read from a table: the scans
// over every byte of a paste ask one question per byte.
constexpr std::array<unsigned char, 256> BlankTable(unsigned char noBreakEnd, unsigned char ideographicEnd) {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c <= 0x20; ++c) table[c] = 1;
    table[noBreakEnd] = 2;
    table[ideographicEnd] = 3;
    return table;
}
constexpr std::array<unsigned char, 256> kBlankStart = BlankTable(0xC2, 0xE3);
constexpr std::array<unsigned char, 256> kBlankEnd = BlankTable(0xA0, 0x80);

// Length of the blank at i, else 0: a byte of 0x20 or below, or a no-break
// or ideographic space, which count as spaces everywhere.
std::size_t BlankAt(std::string_view s, std::size_t i) {
    const std::size_t length = kBlankStart[static_cast<unsigned char>(s[i])];
    if (length <= 1) return length;
    return s.compare(i, length, length == 2 ? "\xC2\xA0" : "\xE3\x80\x80") == 0 ? length : 0;
}

std::size_t BlankEnding(std::string_view s) {
    const std::size_t length = kBlankEnd[static_cast<unsigned char>(s.back())];
    if (length <= 1) return length;
    return s.size() >= length && BlankAt(s, s.size() - length) == length ? length : 0;
}

// Length of an ASCII colon (1) or a full-width one (U+FF1A, 3) at i, else 0.
std::size_t ColonAt(std::string_view s, std::size_t i) {
    if (s[i] == ':') return 1;
    return s[i] == '\xEF' && s.compare(i, 3, "\xEF\xBC\x9A") == 0 ? 3 : 0;
}

std::string_view TrimCell(std::string_view s) {
    for (std::size_t n = 0; !s.empty() && (n = BlankAt(s, 0)) != 0;) s.remove_prefix(n);
    for (std::size_t n = 0; !s.empty() && (n = BlankEnding(s)) != 0;) s.remove_suffix(n);
    return s;
}

bool HasWhitespace(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (BlankAt(s, i) != 0) return true;
    }
    return false;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A digit string as a number; one beyond the int range gives -1, which every
// caller treats as out of its range.
int DigitsValue(std::string_view digits) {
    int value = 0;
    return ParseDigits(digits, &value) ? value : -1;
}

// ---- rows ----

// Skips blanks up to a line break; a tab stays where it separates cells.
std::size_t SkipBlanks(std::string_view s, std::size_t i, bool keepTab) {
    // Most calls stand before a cell's first character: whether it is a
    // blank at all is asked first.
    for (std::size_t n = 0; i < s.size() && (n = BlankAt(s, i)) != 0; i += n) {
        if (s[i] == '\r' || s[i] == '\n' || (keepTab && s[i] == '\t')) break;
    }
    return i;
}

enum class LineKind { kBlank, kComment, kContent };

// Reads the text row by row. A row is one line, except that a quoted cell
// may hold line breaks when its closing quote ends the cell. A quote opens a
// cell only as the cell's first character; anywhere else it is text. Cells
// are trimmed views into the text or, once unquoted, into the reader's own
// strings, valid until the next read.
class RowReader {
public:
    RowReader(std::string_view text, std::size_t pos) : text_(text), pos_(pos) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    std::size_t pos() const { return pos_; }
    const std::vector<std::string_view>& cells() const { return cells_; }
    // The delimiters between the row's non-empty cells, one bit per kind.
    unsigned delimiterKinds() const { return kinds_; }

    // Steps over a line that is blank or a comment ("#" or "//" after
    // blanks); a line with content stays to be split.
    LineKind SkipUnlessContent() {
        const std::size_t i = SkipBlanks(text_, pos_, false);
        const bool comment =
            i < text_.size() &&
            (text_[i] == '#' || (text_[i] == '/' && i + 1 < text_.size() && text_[i + 1] == '/'));
        if (!comment && i < text_.size() && text_[i] != '\r' && text_[i] != '\n') return LineKind::kContent;
        pos_ = AfterBreak(LineEnd(i));
        return comment ? LineKind::kComment : LineKind::kBlank;
    }

    // Splits the row on one delimiter, or on all three; true when the row
    // held a delimiter at all.
    bool SplitDelimited(char delimiter);
    // Splits the row's first line again as the short form, on runs of blanks,
    // and goes on after that line.
    void ResplitOnBlanks();
    // True when a comma or semicolon of the row's first line stands beside
    // a blank or ends it: "10.0.0.1 admin, pw" is a delimited row, which the
    // short form would read as the user "admin,".
    bool DelimiterBesideBlank() const;
    // The first cell's words become the row's first cells.
    void SplitFirstCellOnBlanks();
    // Goes back to the start of the row just read.
    void Rewind() { pos_ = rowStart_; }
    // Where the line goes on after the line break at i (CR LF, CR or LF).
    std::size_t AfterBreak(std::size_t i) const {
        if (i >= text_.size()) return text_.size();
        return text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n' ? i + 2 : i + 1;
    }

private:
    enum Stop : unsigned char { kText = 0, kTab = 1, kComma = 2, kSemicolon = 4, kBreak = 8 };

    // Two searches for one byte each: a search for either of two bytes
    // looks through the pair once for every byte of the line.
    std::size_t LineEnd(std::size_t i) const {
        const std::size_t lineFeed = std::min(text_.find('\n', i), text_.size());
        return std::min(text_.substr(0, lineFeed).find('\r', i), lineFeed);
    }
    unsigned StopAt(std::size_t i) const {
        return i < text_.size() ? stops_[static_cast<unsigned char>(text_[i])]
                                : static_cast<unsigned>(kBreak);
    }
    bool TabSeparates() const { return stops_['\t'] != kText; }

    void UseDelimiter(char delimiter);
    std::size_t ClosingQuote(std::size_t open, std::size_t end) const;
    void AddCell(std::size_t begin, std::size_t end, std::size_t quote, std::size_t close);
    void StartRow() {
        rowStart_ = pos_;
        cells_.clear();
        unquotedUsed_ = 0;
    }

    std::string_view text_;
    std::size_t pos_;
    std::size_t rowStart_ = 0;
    unsigned kinds_ = 0;
    char delimiter_ = '\x01';  // none chosen yet
    std::array<unsigned char, 256> stops_{};
    std::vector<std::string_view> cells_;
    std::deque<std::string> unquoted_;  // a deque: the cells' views stay valid as it grows
    std::size_t unquotedUsed_ = 0;
};

void RowReader::UseDelimiter(char delimiter) {
    if (delimiter == delimiter_) return;
    delimiter_ = delimiter;
    stops_.fill(kText);
    stops_['\r'] = stops_['\n'] = kBreak;
    if (delimiter == kAnyDelimiter || delimiter == '\t') stops_['\t'] = kTab;
    if (delimiter == kAnyDelimiter || delimiter == ',') stops_[','] = kComma;
    if (delimiter == kAnyDelimiter || delimiter == ';') stops_[';'] = kSemicolon;
}

// The quote that closes the one at open, before end; "" inside stands for
// one quote. A closing quote on a later line counts only where it ends the
// cell, so a stray quote never takes the lines after it. npos: the quote at
// open is plain text. Each search stops at the next lone quote, where the
// next search would start, so the text is not scanned over and over.
std::size_t RowReader::ClosingQuote(std::size_t open, std::size_t end) const {
    const std::string_view range = text_.substr(0, end);
    std::size_t i = open + 1;
    while ((i = range.find('"', i)) != std::string_view::npos && i + 1 < range.size() &&
           range[i + 1] == '"') {
        i += 2;
    }
    if (i == std::string_view::npos) return i;
    const bool sameLine = text_.substr(open, i - open).find_first_of("\r\n") == std::string_view::npos;
    return sameLine || StopAt(SkipBlanks(text_, i + 1, TabSeparates())) != kText ? i : std::string_view::npos;
}

// The cell from begin to end, trimmed. With a quote opening it (close is
// not npos) the text between the quotes is copied with "" as one quote,
// followed by what stands after the closing quote.
void RowReader::AddCell(std::size_t begin, std::size_t end, std::size_t quote, std::size_t close) {
    if (close == std::string_view::npos) {
        cells_.push_back(TrimCell(text_.substr(begin, end - begin)));
        return;
    }
    if (unquotedUsed_ == unquoted_.size()) unquoted_.emplace_back();
    std::string& out = unquoted_[unquotedUsed_++];
    out.clear();
    for (std::size_t i = quote + 1; i < close; ++i) {
        out.push_back(text_[i]);
        if (text_[i] == '"') ++i;  // the second of a pair
    }
    out.append(text_.substr(close + 1, end - close - 1));
    cells_.push_back(TrimCell(out));
}

bool RowReader::SplitDelimited(char delimiter) {
    UseDelimiter(delimiter);
    StartRow();
    kinds_ = 0;
    unsigned pending = 0;
    // Without a header a tab before the first cell is trimmed, as it always
    // was; under a tab-separated header it makes an empty cell.
    std::size_t i = SkipBlanks(text_, pos_, delimiter == '\t');
    while (true) {
        const std::size_t quote = SkipBlanks(text_, i, TabSeparates());
        const std::size_t close = StopAt(quote) == kText && text_[quote] == '"'
                                      ? ClosingQuote(quote, text_.size())
                                      : std::string_view::npos;
        std::size_t k = close == std::string_view::npos ? i : close + 1;
        while (StopAt(k) == kText) ++k;
        AddCell(i, k, quote, close);
        if (!cells_.back().empty()) kinds_ |= std::exchange(pending, 0u);
        if (StopAt(k) == kBreak) {
            pos_ = AfterBreak(k);
            return cells_.size() > 1;
        }
        pending |= StopAt(k);
        i = k + 1;
    }
}

// Wide blanks (no-break, ideographic) separate the host and the user, as
// input methods type them; from the password on only ASCII blanks do, so a
// password keeps the wide blanks inside it.
void RowReader::ResplitOnBlanks() {
    const std::size_t end = LineEnd(rowStart_);
    pos_ = rowStart_;
    StartRow();
    for (std::size_t i = SkipBlanks(text_, rowStart_, false); i < end; i = SkipBlanks(text_, i, false)) {
        const bool wideSeparates = cells_.size() < kWideBlankCells;
        const std::size_t close = text_[i] == '"' ? ClosingQuote(i, end) : std::string_view::npos;
        std::size_t k = close == std::string_view::npos ? i : close + 1;
        while (k < end && (wideSeparates ? BlankAt(text_, k) == 0 : !IsBlankByte(text_[k]))) ++k;
        AddCell(i, k, i, close);
        i = k;
    }
    pos_ = AfterBreak(end);
}

bool RowReader::DelimiterBesideBlank() const {
    const std::size_t end = LineEnd(rowStart_);
    for (std::size_t i = rowStart_; i < end; ++i) {
        if (text_[i] != ',' && text_[i] != ';') continue;
        if (i + 1 == end || text_[i + 1] == ' ' || (i > rowStart_ && text_[i - 1] == ' ')) return true;
    }
    return false;
}

void RowReader::SplitFirstCellOnBlanks() {
    if (cells_.empty()) return;
    const std::string_view first = cells_.front();
    std::vector<std::string_view> words;
    for (std::size_t i = 0; i < first.size();) {
        const std::size_t blank = BlankAt(first, i);
        if (blank != 0) {
            i += blank;
            continue;
        }
        std::size_t k = i;
        while (k < first.size() && BlankAt(first, k) == 0) ++k;
        words.push_back(first.substr(i, k - i));
        i = k;
    }
    cells_.erase(cells_.begin());
    cells_.insert(cells_.begin(), words.begin(), words.end());
}

// ---- header ----

constexpr std::size_t LongestAlias() {
    std::size_t longest = 0;
    for (std::size_t property = 0; property < kAliases.size(); ++property) {
        for (std::size_t i = 0; i < kAliases[property].size(); ++i)
            longest = std::max(longest, kAliases[property][i].size());
    }
    return longest;
}

// The aliases of one length, each with its property, in kAliases' order: a
// header word is compared only with the aliases as long as it is, so a row
// of many columns (the export's own header among them) costs a few
// comparisons per cell instead of one per alias.
struct AliasIndex {
    static constexpr std::size_t kLongest = LongestAlias();
    std::array<std::vector<std::pair<std::string_view, int>>, kLongest + 1> byLength;

    AliasIndex() {
        for (int property = 0; property < kPropertyCount; ++property) {
            for (std::string_view alias : kAliases[property]) {
                if (!alias.empty()) byLength[alias.size()].emplace_back(alias, property);
            }
        }
    }
};

// The property a header cell names, else kPropertyCount. The cell is
// compared normalised: lower-case ASCII, without blanks, "-", "." or "_".
int PropertyNamed(std::string_view cell) {
    static const AliasIndex index;
    char name[AliasIndex::kLongest];
    std::size_t length = 0;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const char c = cell[i];
        const std::size_t blank = BlankAt(cell, i);
        if (blank != 0) {
            i += blank - 1;
        } else if (c != '-' && c != '.' && c != '_') {
            if (length == AliasIndex::kLongest) return kPropertyCount;  // longer than any alias
            name[length++] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    const std::string_view word(name, length);
    for (const auto& [alias, property] : index.byLength[length]) {
        if (alias == word) return property;
    }
    return kPropertyCount;
}

// Without a header: host, user, password, remark and group, in this order.
constexpr ColumnMap kFixedColumns = {0, kNoColumn, 1,         kNoColumn, 2,        3,
                                     4, kNoColumn, kNoColumn, kNoColumn, kNoColumn};

// Each property takes the leftmost cell that names it; returns how many
// cells are column names.
std::size_t ReadHeader(const std::vector<std::string_view>& cells, ColumnMap* map) {
    map->fill(kNoColumn);
    std::size_t names = 0;
    for (std::size_t col = 0; col < cells.size(); ++col) {
        const int property = PropertyNamed(cells[col]);
        if (property == kPropertyCount) continue;
        if ((*map)[property] == kNoColumn) (*map)[property] = static_cast<int>(col);
        ++names;
    }
    return names;
}

// ---- cell values ----

// 1 for a yes word, 0 for a no word, -1 for anything else.
int YesNo(std::string_view cell) {
    static const std::array<std::string_view, 7> kYes = {"1", "y", "yes", "是", "true", "on", "开"};
    static const std::array<std::string_view, 7> kNo = {"0", "n", "no", "否", "false", "off", "关"};
    char lower[8];
    if (cell.size() > sizeof(lower)) return -1;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        lower[i] = cell[i] >= 'A' && cell[i] <= 'Z' ? static_cast<char>(cell[i] - 'A' + 'a') : cell[i];
    }
    const std::string_view word(lower, cell.size());
    if (std::find(kYes.begin(), kYes.end(), word) != kYes.end()) return 1;
    if (std::find(kNo.begin(), kNo.end(), word) != kNo.end()) return 0;
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
    if (!ParseDigits(TrimCell(cell.substr(0, sep)), &width)) return;
    if (!ParseDigits(TrimCell(cell.substr(sep + sepLen)), &height)) return;
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
    return cells[col];  // already trimmed by the reader
}

// "[v6]" and "[v6]:port" give the bare address; "host:port" needs exactly
// one colon with digits after it. Anything else (IPv6 with several colons,
// "name:abc", "name:") is all host, and *port stays. The host comes back
// trimmed.
std::string_view SplitHostPort(std::string_view cell, int* port) {
    std::size_t colon = std::string_view::npos;
    std::string_view host = cell;
    if (!cell.empty() && cell[0] == '[') {
        const std::size_t close = cell.find(']');
        if (close == std::string_view::npos) return cell;
        if (close + 1 == cell.size()) return TrimCell(cell.substr(1, close - 1));
        colon = close + 1;
        host = cell.substr(1, close - 1);
    } else {
        for (std::size_t i = 0; i < cell.size() && colon == std::string_view::npos; ++i) {
            if (ColonAt(cell, i) != 0) colon = i;
        }
        if (colon == std::string_view::npos) return cell;
        host = cell.substr(0, colon);
    }
    const std::size_t length = ColonAt(cell, colon);
    if (length == 0 || !AllDigits(cell.substr(colon + length))) return cell;
    *port = DigitsValue(cell.substr(colon + length));
    return TrimCell(host);
}

// A host as stored: full-width colons become ASCII ones.
std::string HostText(std::string_view host) {
    std::string out(host);
    for (std::size_t at = out.find("\xEF\xBC\x9A"); at != std::string::npos;
         at = out.find("\xEF\xBC\x9A", at)) {
        out.replace(at, 3, ":");
    }
    return out;
}

bool HostHoldsBlank(const std::vector<std::string_view>& cells, const ColumnMap& map) {
    int port = 0;
    return HasWhitespace(SplitHostPort(CellOf(cells, map, kHost), &port));
}

// Fills a record from one data row; false when the row gives no host. Only
// in a file the export wrote (guarded) is a formula guard dropped: a cell
// a person typed keeps its leading quote. The auto-connect column is read
// and ignored: a shared list never makes servers connect by themselves.
bool RowToRecord(const std::vector<std::string_view>& cells, const ColumnMap& map,
                 const OptionColumns& options, bool guarded, ServerRecord* record) {
    const auto text = [&](std::string_view cell) { return guarded ? StripFormulaGuard(cell) : cell; };
    int port = record->port;
    const std::string_view host = SplitHostPort(CellOf(cells, map, kHost), &port);
    if (host.empty() || HasWhitespace(host)) return false;
    const std::string_view portCell = CellOf(cells, map, kPort);
    if (AllDigits(portCell)) port = DigitsValue(portCell);
    record->port = (port >= 1 && port <= 65535) ? port : 3389;

    record->host = HostText(text(host));
    record->user.assign(text(CellOf(cells, map, kUser)));
    record->domain.assign(text(CellOf(cells, map, kDomain)));
    record->password.assign(text(CellOf(cells, map, kPassword)));
    record->remark.assign(text(CellOf(cells, map, kRemark)));
    record->group.assign(text(CellOf(cells, map, kGroup)));
    ApplyColorDepth(CellOf(cells, map, kColorDepth), record);
    ApplyResolution(CellOf(cells, map, kResolution), record);
    const int smart = YesNo(CellOf(cells, map, kSmartSizing));
    if (smart >= 0) record->smartSizing = smart == 1;
    options.Apply(cells, &record->options);
    return true;
}

bool AllEmpty(const std::vector<std::string_view>& cells) {
    return std::all_of(cells.begin(), cells.end(), [](std::string_view c) { return c.empty(); });
}

// ---- layout: where the header is and how rows split ----

struct Layout {
    ColumnMap map = kFixedColumns;
    OptionColumns options;
    char delimiter = kAnyDelimiter;
    std::size_t dataStart = 0;
    int skippedAbove = 0;
};

// Without a header all three delimiters separate, and a line with none, or
// whose host would hold a blank, is the short form, unless a delimiter
// stands beside a blank: then the row stays delimited and, without a
// header, the host cell's words take the first places. Under a header with
// one delimiter only that one separates; a row without it follows the
// rules without a header.
void ReadDataRow(RowReader& reader, const Layout& layout) {
    if (layout.delimiter != kAnyDelimiter) {
        if (reader.SplitDelimited(layout.delimiter)) return;
        reader.Rewind();
    }
    if (!reader.SplitDelimited(kAnyDelimiter)) {
        reader.ResplitOnBlanks();
    } else if (HostHoldsBlank(reader.cells(), layout.map)) {
        if (!reader.DelimiterBesideBlank()) {
            reader.ResplitOnBlanks();
        } else if (layout.map == kFixedColumns) {
            reader.SplitFirstCellOnBlanks();
        }
    }
}

char SingleDelimiter(unsigned kinds) {
    return kinds == 1 ? '\t' : kinds == 2 ? ',' : kinds == 4 ? ';' : kAnyDelimiter;  // RowReader's stop bits
}

// Tells, above a header, a server line (the text has no header then) from
// a title to skip: only characters of addresses and host names, and in a
// line without delimiters a digit ("Server list" is a title, "nas,admin,pw"
// a server).
bool LooksLikeHost(std::string_view host, bool delimited) {
    const auto inName = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
               c == '-' || c == '_' || c == ':' || c == '%';
    };
    return !host.empty() && std::all_of(host.begin(), host.end(), inName) &&
           (delimited || std::any_of(host.begin(), host.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

// The header is the first row that names the host column, when it is the
// first row or names two columns; above it stand only comments and lines
// that are no server lines (titles), which are skipped. The first server
// line ends the search.
//
// A row that also holds cells naming no column is ambiguous: "server,root,pass"
// is a server whose host and password happen to be column words, while
// "序号,IP,密码" and "host,user,password,os" are headers. It is a server line
// when every named cell already stands where the columns without a header
// put that property, so reading it as data loses no column, and it names no
// user column (a user called "user" or "login" is unlikely, a header
// without one above a user column is not).
bool IsHeaderRow(const std::vector<std::string_view>& cells, const ColumnMap& map, std::size_t names,
                 bool first, bool delimited) {
    if (map[kHost] == kNoColumn || !(first || names >= 2)) return false;
    const std::size_t filled = static_cast<std::size_t>(
        std::count_if(cells.begin(), cells.end(), [](std::string_view c) { return !c.empty(); }));
    if (!delimited || names == filled) return names == filled;
    if (map[kUser] != kNoColumn) return true;
    for (int property = 0; property < kPropertyCount; ++property) {
        if (map[property] != kNoColumn && map[property] != kFixedColumns[property]) return true;
    }
    return false;
}

Layout FindLayout(std::string_view text) {
    Layout layout;
    RowReader reader(text, 0);
    int above = 0;
    bool first = true;
    while (!reader.AtEnd()) {
        const LineKind kind = reader.SkipUnlessContent();
        if (kind != LineKind::kContent) {
            above += kind == LineKind::kComment ? 1 : 0;
            continue;
        }
        const bool delimited = reader.SplitDelimited(kAnyDelimiter);
        if (!delimited) reader.ResplitOnBlanks();
        ColumnMap map;
        // Words between blanks make a header only when each is a column
        // name: a title such as "Server list" is none.
        OptionColumns options;
        std::size_t names = ReadHeader(reader.cells(), &map);
        // Only a row that names the host column can be a header.
        if (map[kHost] != kNoColumn) names += options.Read(reader.cells());
        if (IsHeaderRow(reader.cells(), map, names, first, delimited)) {
            layout.map = map;
            layout.options = std::move(options);
            layout.delimiter = delimited ? SingleDelimiter(reader.delimiterKinds()) : kAnyDelimiter;
            layout.dataStart = reader.pos();
            layout.skippedAbove = above;
            return layout;
        }
        first = false;
        bool stillDelimited = delimited;
        if (delimited && HostHoldsBlank(reader.cells(), layout.map)) {
            if (reader.DelimiterBesideBlank()) {
                reader.SplitFirstCellOnBlanks();
            } else {
                reader.ResplitOnBlanks();
                stillDelimited = false;
            }
        }
        if (AllEmpty(reader.cells())) continue;
        int port = 0;
        if (LooksLikeHost(SplitHostPort(reader.cells()[0], &port), stillDelimited)) break;
        ++above;
    }
    return Layout{};
}

// The length of the export's own header line that opens the text (this
// version's, with the connection options' columns, or an earlier one's
// without them), its line break not counted; npos when none opens it.
std::size_t ExportHeaderLength(std::string_view text) {
    if (text.compare(0, kExportHeader.size(), kExportHeader) != 0) return std::string_view::npos;
    std::size_t length = kExportHeader.size();
    const std::string& options = OptionColumnsHeader();
    if (text.compare(length, options.size(), options) == 0) length += options.size();
    return length == text.size() || text[length] == '\r' || text[length] == '\n' ? length
                                                                                 : std::string_view::npos;
}

// A file the export wrote is laid out by its header line alone, and each
// form of that line always the same way: found once per form, not for every
// file (an export and its import are what every server list shared between
// installations goes through).
Layout ExportLayout(std::string_view text, std::size_t headerLength) {
    static const Layout kWithOptions = FindLayout(std::string(kExportHeader) + OptionColumnsHeader());
    static const Layout kWithout = FindLayout(kExportHeader);
    Layout layout = headerLength == kExportHeader.size() ? kWithout : kWithOptions;
    layout.dataStart = RowReader(text, 0).AfterBreak(headerLength);
    return layout;
}

// One draw from the random source per batch instead of one per record: the
// same 8 random bytes per id at a fraction of the system calls.
void AssignNewIds(std::vector<ServerRecord>* servers) {
    constexpr std::size_t kBatch = 256;
    for (std::size_t first = 0; first < servers->size(); first += kBatch) {
        const std::size_t count = std::min(kBatch, servers->size() - first);
        const std::string hex = RandomHex(8 * count);
        for (std::size_t i = 0; i < count; ++i) (*servers)[first + i].id.assign(hex, 16 * i, 16);
    }
}

// Room for one record per line, but never more than a realistic line
// length allows: a text of empty lines must not reserve gigabytes.
std::size_t ExpectedRows(std::string_view text) {
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    return std::min(lines, text.size() / 32 + 1);
}

}  // namespace

ImportedServers ImportServersFromText(std::string_view text) {
    ImportedServers result;
    if (text.size() > kMaxImportBytes) {
        result.refused = ImportRefusal::kTooLarge;
        return result;
    }
    if (text.compare(0, kBom.size(), kBom) == 0) text.remove_prefix(kBom.size());

    const std::size_t exportHeader = ExportHeaderLength(text);
    const bool guarded = exportHeader != std::string_view::npos;
    const Layout layout = guarded ? ExportLayout(text, exportHeader) : FindLayout(text);
    result.skippedLines = layout.skippedAbove;
    result.servers.reserve(ExpectedRows(text.substr(layout.dataStart)));
    RowReader reader(text, layout.dataStart);
    while (!reader.AtEnd()) {
        const LineKind kind = reader.SkipUnlessContent();
        if (kind != LineKind::kContent) {
            result.skippedLines += kind == LineKind::kComment ? 1 : 0;
            continue;
        }
        ReadDataRow(reader, layout);
        if (AllEmpty(reader.cells())) continue;
        result.servers.emplace_back();
        if (!RowToRecord(reader.cells(), layout.map, layout.options, guarded, &result.servers.back())) {
            result.servers.pop_back();
            ++result.skippedLines;
        } else if (result.servers.size() > kMaxImportServers) {
            result.servers.clear();
            result.skippedLines = 0;
            result.refused = ImportRefusal::kTooManyServers;
            return result;
        }
    }
    AssignNewIds(&result.servers);
    return result;
}
