// report_unimplemented (see unimplemented.h): the set of states and values already reported, and the line.
#include "trace/unimplemented.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace platform {

void report_unimplemented(std::string_view state, std::uint32_t value, std::string_view instead) {
    static std::mutex mutex;
    static std::set<std::pair<std::string, std::uint32_t>> reported;
    const std::scoped_lock lock(mutex);
    if (!reported.emplace(std::string(state), value).second)
        return;
    std::fprintf(stderr, "platform: %.*s value %u is not implemented; drawing as %.*s\n",
                 static_cast<int>(state.size()), state.data(), static_cast<unsigned>(value),
                 static_cast<int>(instead.size()), instead.data());
}

} // namespace platform
