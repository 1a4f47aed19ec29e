// A directory of a test case's own under the system's temporary directory, made empty with a name no other
// case or run shares, and removed with everything in it when the object goes.
#pragma once

#include <filesystem>

namespace support {

class TempDirectory {
  public:
    // The name starts with `prefix`; a directory that cannot be made fails the test and leaves path() empty.
    explicit TempDirectory(const char* prefix);
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const {
        return path_;
    }

  private:
    std::filesystem::path path_;
};

} // namespace support
