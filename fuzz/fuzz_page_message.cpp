// Any page message: the dispatcher must not crash, must keep every server
// it was not told to remove, must answer the page only with valid JSON, must
// hand the tabs, the window and the monitor only values they can use, and
// must leave a config.json that parses. Runs over the shared fakes and a
// store kept in memory, fresh for every input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_store.h"
#include "controller/controller.h"
#include "core/file_io.h"
#include "support/controller_fakes.h"
#include "support/memory_files.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsJson(const std::string& text) {
    return ParseJson(text, nullptr, nullptr);
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

const char* const kSeedIds[] = {"00000000000000a1", "00000000000000b2", "00000000000000c3"};

AppConfig MakeSeededStore() {
    AppConfig config;
    config.servers.reserve(std::size(kSeedIds));
    for (const char* id : kSeedIds) {
        ServerRecord server;
        server.id = id;
        server.host = std::string("host-") + id;
        server.sealedPassword = "dpapi1:cHc=";
        config.servers.push_back(server);
    }
    return config;
}

// Built once: every input starts from a copy.
const AppConfig& SeededStore() {
    static const AppConfig seeded = MakeSeededStore();
    return seeded;
}

template <typename Record>
bool SameFields(const Record& a, const Record& b) {
    bool same = true;
    Record::ForEachField([&same](const FieldSpec&, const auto& x, const auto& y) { same = same && x == y; },
                         a, b);
    return same;
}

// Whether the servers are still the seeded ones: then the server list the
// page would be sent is the baseline's (no probe answers in this target),
// known to parse, and the largest document need not be made again.
bool ServersAsSeeded(const AppConfig& config) {
    const std::vector<ServerRecord>& seeded = SeededStore().servers;
    if (config.servers.size() != seeded.size()) return false;
    for (std::size_t i = 0; i < seeded.size(); ++i) {
        if (!SameFields(config.servers[i], seeded[i])) return false;
    }
    return true;
}

// What every input starts from and what it ends with when it changes
// nothing: the seeded store's config.json as the store writes it, how many
// servers it loads with, and the documents the page is sent about it. Made
// once, outside any input's data folder: the same bytes are written, load
// and parse the same way every time.
struct Baseline {
    std::string file;
    std::size_t servers = 0;
    std::vector<std::string> documents;
};

const Baseline& TheBaseline() {
    static const Baseline baseline = [] {
        Baseline made;
        MemoryDataDir dir;
        AppConfig config = SeededStore();
        Check(SaveConfig(config));
        made.file = dir.Raw(ConfigFilePath());
        AppConfig loaded;
        Check(!made.file.empty() && LoadConfig(loaded));
        made.servers = loaded.servers.size();
        FakePorts fakes;
        Controller controller(config, fakes.ports());
        controller.SendServers();
        controller.SendSettings();
        for (const PageEvent& event : fakes.page.events) {
            Check(IsJson(event.data));
            made.documents.push_back(event.data);
        }
        return made;
    }();
    return baseline;
}

// Parses each document once: one the baseline holds, or one already sent
// during this input (the server list goes out again after every command
// that changes it), is known to parse.
void CheckDocumentsParse(const std::vector<PageEvent>& events) {
    const std::vector<std::string>& known = TheBaseline().documents;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const std::string& data = events[i].data;
        const auto same = [&data](const std::string& other) { return other == data; };
        if (std::any_of(known.begin(), known.end(), same)) continue;
        if (std::any_of(events.begin(), events.begin() + i, [&](const PageEvent& e) { return same(e.data); }))
            continue;
        Check(IsJson(data));
    }
}

void CheckWhatTheFakesWereGiven(const FakePorts& fakes) {
    CheckDocumentsParse(fakes.page.events);
    for (const PixelRect& r : fakes.tabs.contentRects) Check(!r.empty() && r.left >= 0 && r.bottom <= 800);
    for (const std::string& call : fakes.tabs.calls) Check(!StartsWith(call, "open  "));  // an empty id
    for (const std::string& call : fakes.window.calls) {
        // The client's arguments are the host alone: nothing it could read as an option.
        if (StartsWith(call, "external ")) Check(call.find_first_of(" \"/\\", 10) == std::string::npos);
    }
    for (unsigned period : fakes.window.probePeriods) Check(period <= 0x7FFFFFFFu);
    for (int timeout : fakes.probes.timeouts) Check(timeout >= 200);
    for (const ProbeJob& job : fakes.probes.jobs) Check(!job.host.empty());
}

// Only a removeServer message may take a seeded server away. Asked only
// when one is missing, so the message is parsed here once in a while
// rather than twice for every input.
bool AsksToRemove(std::string_view text) {
    JsonValue root;
    return ParseJson(text, &root, nullptr) && root.find("cmd").isString() &&
           root.find("cmd").text() == "removeServer";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TheBaseline();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MemoryDataDir dir;
    const std::string path = ConfigFilePath();
    AppConfig config = SeededStore();
    Check(WriteFileAtomic(path, TheBaseline().file));
    FakePorts fakes;
    fakes.tabs.dpi = 144;
    Controller controller(config, fakes.ports());
    controller.HandlePageMessage(text);
    fakes.window.RunPending();
    if (!ServersAsSeeded(config)) controller.SendServers();
    controller.SendSettings();
    CheckWhatTheFakesWereGiven(fakes);

    for (const ServerRecord& server : config.servers)
        Check(!server.id.empty() && server.port >= 1 && server.port <= 65535);
    for (const char* id : kSeedIds) Check(FindServerById(config, id) != nullptr || AsksToRemove(text));
    // The file it left is a document of the file's shape with an item for
    // every server, which is all loading needs to give them back: loading
    // reads one server for each item, and what it makes of any document is
    // fuzz_config's to explore. Parsed here rather than loaded, which took
    // a tenth of this target's time. A missing file (Raw gives "") fails the
    // parse: loading would have made defaults of it.
    const std::string saved = dir.Raw(path);
    if (saved == TheBaseline().file) {
        Check(TheBaseline().servers == config.servers.size());
        return 0;
    }
    JsonValue root;
    Check(ParseJson(saved, &root, nullptr) && root.isObject() && root.find("servers").isArray());
    Check(root.find("servers").size() == config.servers.size());
    return 0;
}
