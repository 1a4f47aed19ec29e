// The call trace and the registry of live platform objects (see platform_test.h); with the test seams, what
// tests count of the objects.
#include <platform_test.h>

#include <algorithm>
#include <map>

namespace platform::trace {
namespace {
struct TraceState {
    bool on = false;
    std::vector<std::string> lines;
};
TraceState& trace_state() {
    static TraceState state;
    return state;
}
struct Registry {
    std::map<const void*, std::string> labels;
    std::map<std::string, int, std::less<>> serials;
};
Registry& registry() {
    static Registry r;
    return r;
}
} // namespace

void enable(bool on) {
    trace_state().on = on;
}
bool enabled() {
    return trace_state().on;
}
void clear() {
    trace_state().lines.clear();
}
std::vector<std::string> lines() {
    return trace_state().lines;
}
void record(std::string line) {
    if (trace_state().on)
        trace_state().lines.push_back(std::move(line));
}

namespace objects {
void add(const void* object, std::string_view kind) {
    Registry& r = registry();
    auto it = r.serials.find(kind);
    if (it == r.serials.end())
        it = r.serials.emplace(std::string(kind), 0).first;
    r.labels[object] = std::string(kind) + "#" + std::to_string(++it->second);
}
void remove(const void* object) {
    registry().labels.erase(object);
}
std::string label(const void* object) {
    if (object == nullptr)
        return "null";
    const auto& labels = registry().labels;
    const auto it = labels.find(object);
    return it == labels.end() ? "?" : it->second;
}
#ifdef PLATFORM_TEST_SEAMS
int live_count() {
    return static_cast<int>(registry().labels.size());
}
std::vector<std::string> live_labels() {
    std::vector<std::string> labels;
    for (const auto& entry : registry().labels)
        labels.push_back(entry.second);
    std::sort(labels.begin(), labels.end());
    return labels;
}
#endif
} // namespace objects

} // namespace platform::trace
