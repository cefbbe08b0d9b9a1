// Copyright Tavolin developers.
//
// A folder of its own under the system's temporary folder, removed with
// everything in it when the object goes, also when a run fails.

#ifndef TAVOLIN_BENCH_LOAD_TEMP_FOLDER_H_
#define TAVOLIN_BENCH_LOAD_TEMP_FOLDER_H_

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tavolin::load {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavolin-load-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a temporary folder from " + pattern);
    }
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tavolin::load

#endif  // TAVOLIN_BENCH_LOAD_TEMP_FOLDER_H_
