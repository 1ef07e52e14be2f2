#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace kestavon::fuzzing {

// Reads fixed-size little-endian values from the front of a fuzz input; past its end every value
// reads as zero bytes. A fixed layout keeps the seed files easy to write by hand.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

  template <class T>
  requires std::is_trivially_copyable_v<T> T take() {
    unsigned char bytes[sizeof(T)] = {};
    const std::size_t count = m_size < sizeof(T) ? m_size : sizeof(T);
    if (count != 0) std::memcpy(bytes, m_data, count);
    m_data += count;
    m_size -= count;
    return std::bit_cast<T>(bytes);
  }

  bool empty() const { return m_size == 0; }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
};

// True for a NaN whose quiet bit is clear: arithmetic on it raises an invalid operation.
inline bool isSignalling(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return std::isnan(value) && (bits & 0x0040'0000u) == 0;
}
inline bool isSignalling(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return std::isnan(value) && (bits & 0x0008'0000'0000'0000u) == 0;
}

}  // namespace kestavon::fuzzing
