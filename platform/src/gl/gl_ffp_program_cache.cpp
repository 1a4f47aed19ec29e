// The cache of fixed-function emulation programs by key (gl_ffp_program_cache.h) over the GL programs of
// gl_ffp_program.h.
#include "gl/gl_ffp_program_cache.h"

#include <cstdio>

namespace platform::gl {

FfpProgram* FfpProgramCache::get(const FfpKey& key) {
    const auto found = programs_.find(key);
    if (found != programs_.end())
        return found->second.get();
    std::string error;
    auto made = FfpProgram::create(key, error);
    for (char& c : error)
        c = c == '\n' ? ' ' : c;
    if (!made)
        std::fprintf(stderr,
                     "Direct3D 9: a fixed-function program does not compile, its draws are skipped: %s\n",
                     error.c_str());
    return programs_.emplace(key, std::move(made)).first->second.get();
}

std::size_t FfpProgramCache::size() const {
    std::size_t count = 0;
    for (const auto& [key, program] : programs_)
        count += program ? 1 : 0;
    return count;
}

void FfpProgramCache::abandon() {
    for (auto& [key, program] : programs_)
        if (program)
            program->abandon();
}

} // namespace platform::gl
