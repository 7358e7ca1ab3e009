#pragma once

// SHA-256 (FIPS 180-4), to name an image by its bytes: what every device
// of a run was sent.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace net {

class Sha256 {
 public:
  Sha256();
  void Update(std::string_view bytes);
  // The digest in lower-case hexadecimal; the object is spent after it.
  std::string Hex();

 private:
  void Block(const unsigned char* block);

  std::array<std::uint32_t, 8> state_;
  std::array<unsigned char, 64> pending_{};
  std::size_t pending_size_ = 0;
  std::uint64_t length_ = 0;  // bytes so far
};

}  // namespace net
