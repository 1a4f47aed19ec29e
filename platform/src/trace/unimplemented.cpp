// report_unimplemented (see unimplemented.h): the states and values already reported, and the line. The test
// seams read the notices given so far (platform_test.h).
#include "trace/unimplemented.h"

#include <platform_test.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace platform::trace {

namespace {
struct Notices {
    std::mutex mutex;
    std::set<std::pair<std::string, std::uint32_t>> reported;
};
Notices& notices() {
    static Notices given;
    return given;
}
} // namespace

void report_unimplemented(std::string_view state, std::uint32_t value, std::string_view instead) {
    Notices& n = notices();
    const std::scoped_lock lock(n.mutex);
    if (!n.reported.emplace(std::string(state), value).second)
        return;
    std::fprintf(stderr, "platform: %.*s value %u is not implemented; drawing as %.*s\n",
                 static_cast<int>(state.size()), state.data(), static_cast<unsigned>(value),
                 static_cast<int>(instead.size()), instead.data());
}

#ifdef PLATFORM_TEST_SEAMS
std::vector<std::string> test::unimplemented_notices() {
    Notices& n = notices();
    const std::scoped_lock lock(n.mutex);
    std::vector<std::string> given;
    for (const auto& [state, value] : n.reported)
        given.push_back(state + " value " + std::to_string(value));
    return given;
}
#endif

} // namespace platform::trace
