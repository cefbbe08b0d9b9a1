// Copyright Tavolin developers.
//
// Helpers shared by the fuzz targets: cutting one input into several texts,
// and stopping with a message when an invariant fails.

#ifndef TAVOLIN_FUZZ_FUZZ_INPUT_H_
#define TAVOLIN_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tavolin::fuzz {

// Reads the input as lines: each Next() is the text up to the next "\n"
// (or the rest), Rest() everything not taken yet.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  std::string_view Next() {
    const size_t end = rest_.find('\n');
    const std::string_view line = rest_.substr(0, end);
    rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
    return line;
  }
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Aborts, so that the fuzzer keeps the input, when `holds` is false.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace tavolin::fuzz

#endif  // TAVOLIN_FUZZ_FUZZ_INPUT_H_
