// Starting the viewer binary for screen tests (see viewer_launch.h).
#include "viewer_launch.h"

namespace support {

std::string assets_dir() {
    return std::string(SOURCE_DIR) + "/assets";
}

std::unique_ptr<ChildProcess> start_viewer(const EnvChanges& env) {
    EnvChanges all{{"LIBGL_ALWAYS_SOFTWARE", "1"}};
    for (const auto& [name, value] : env) {
        all[name] = value;
    }
    return std::make_unique<ChildProcess>(std::vector<std::string>{VIEWER_BINARY}, assets_dir(), all);
}

} // namespace support
