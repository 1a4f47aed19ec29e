// Starts the real viewer binary of this build the way a user would: assets/ as the working directory, on the
// display in DISPLAY, software OpenGL (Mesa's llvmpipe) so that it runs the same on every machine.
#pragma once

#include "child_process.h"

#include <memory>

namespace support {

// The folder the viewer reads tex_fur.png and bump.bmp from.
std::string assets_dir();

std::unique_ptr<ChildProcess> start_viewer(const EnvChanges& env = {});

} // namespace support
