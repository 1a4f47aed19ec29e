// The GL renderer's emulation programs compiled so far, one per fixed-function key (gl_ffp_key.h): a draw
// asks for the program of its key, which is compiled on first use and kept for the renderer's lifetime.
#pragma once

#include "gl/gl_ffp_key.h"
#include "gl/gl_ffp_program.h"

#include <map>
#include <memory>
#include <string>

namespace platform::gl {

class FfpProgramCache {
  public:
    // The program of the key, compiled now if it is new; null when it does not compile (the GL log is printed
    // once, and the key is not tried again).
    FfpProgram* get(const FfpKey& key);
    // How many keys have a program.
    std::size_t size() const;
    // Forgets the GL programs without deleting them: their context is already gone.
    void abandon();
    void clear() {
        programs_.clear();
    }

  private:
    std::map<FfpKey, std::unique_ptr<FfpProgram>> programs_;
};

} // namespace platform::gl
