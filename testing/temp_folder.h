// Copyright Tavolin developers.
//
// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes, also when a test fails.

#ifndef TAVOLIN_TESTING_TEMP_FOLDER_H_
#define TAVOLIN_TESTING_TEMP_FOLDER_H_

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tavolin::testing {

struct TempFolder {
  explicit TempFolder(const std::string& prefix = "tavolin") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a temporary folder from " + pattern);
    }
    path = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::filesystem::path path;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_TEMP_FOLDER_H_
