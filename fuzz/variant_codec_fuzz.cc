// Copyright Tavolin developers.
//
// The decoding of encoded Variants: any bytes either decode to a value that
// encodes back to exactly those bytes, or are refused with
// std::invalid_argument.

#include <stdexcept>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/variant_codec.h"

namespace tavolin {

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    fuzz::Check(EncodeVariant(DecodeVariant(bytes)) == bytes, "a decoded value encodes back");
  } catch (const std::invalid_argument&) {
  }
  try {
    fuzz::Check(EncodeNamedValues(DecodeNamedValues(bytes)) == bytes,
                "decoded named values encode back");
  } catch (const std::invalid_argument&) {
  }
  return 0;
}

}  // namespace tavolin
