#pragma once

// Whole pictures pinned against an independent computation: tests/app/reference_render.py worked
// out these fingerprints from the description of the program (the window's opening axes, then one
// run from a fixed start, on the plot's canvas at a whole scale).

#include <cstdint>
#include <ostream>

#include "dynamics/runge_kutta.h"
#include "support/named_case.h"

namespace kestavon::testing_support {

struct Fingerprint {
  std::uint64_t hash;  // 64-bit FNV-1a of the pixels, row by row, 0xFFRRGGBB little-endian
  long lit;            // pixels that are not black
  friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Fingerprint& f) {
    return os << std::hex << "0x" << f.hash << std::dec << " with " << f.lit << " lit";
  }
};

inline Fingerprint fingerprint(const std::uint32_t* pixels, long count) {
  Fingerprint result{0xCBF29CE484222325u, 0};
  for (long i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      result.hash ^= (pixels[i] >> shift) & 0xFFu;
      result.hash *= 0x100000001B3u;
    }
    result.lit += pixels[i] != 0xFF000000u ? 1 : 0;
  }
  return result;
}

struct ReferencePicture : NamedCase {
  const char* view;  // as --render names it: "xy" or "3d"
  OscState start;
  int scale;
  Fingerprint expected;
};

// The output of reference_render.py.
inline constexpr ReferencePicture kReferencePictures[] = {
    {{"xy_start_a_scale_1"}, "xy", {0.5, 0.25, 0.125}, 1, {0x474D489972E90231u, 35567}},
    {{"xy_start_a_scale_2"}, "xy", {0.5, 0.25, 0.125}, 2, {0xB2305B719431330Bu, 104445}},
    {{"3d_start_a_scale_1"}, "3d", {0.5, 0.25, 0.125}, 1, {0x8D6EF470E593CBCCu, 29622}},
    {{"3d_start_a_scale_2"}, "3d", {0.5, 0.25, 0.125}, 2, {0x8080D4C882F69DB8u, 90065}},
    {{"xy_start_b_scale_1"}, "xy", {-1.5, 2.25, 0.75}, 1, {0x5B77AD0366BCF289u, 35539}},
    {{"xy_start_b_scale_2"}, "xy", {-1.5, 2.25, 0.75}, 2, {0x101AB258FC19E5F2u, 107222}},
    {{"3d_start_b_scale_1"}, "3d", {-1.5, 2.25, 0.75}, 1, {0xBD27927DA02E87ADu, 29609}},
    {{"3d_start_b_scale_2"}, "3d", {-1.5, 2.25, 0.75}, 2, {0x3A964FE8BF6B2A60u, 91819}},
};

}  // namespace kestavon::testing_support
