// Temporary directories for test cases (see temp_directory.h), made by mkdtemp.
#include "temp_directory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

namespace support {

TempDirectory::TempDirectory(const char* prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot make a directory " << pattern << ": " << std::strerror(errno);
        return;
    }
    path_ = pattern;
}

TempDirectory::~TempDirectory() {
    if (path_.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    EXPECT_FALSE(error) << "cannot remove " << path_ << ": " << error.message();
}

} // namespace support
