#include "platform/messages.h"

#include <array>
#include <cstdint>

#include "platform/standard_streams.h"

namespace kestavon {
namespace {

constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                       '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};

void appendHexByte(std::string& text, const char* prefix, unsigned value) {
  text += prefix;
  text += kHex[(value >> 4) & 0xF];
  text += kHex[value & 0xF];
}

// The length of the valid UTF-8 sequence that starts `bytes`, or 0 (overlong forms, surrogates
// and values beyond U+10FFFF are not valid).
std::size_t utf8Length(std::string_view bytes) {
  const auto byte = [&bytes](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string printable(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  while (!bytes.empty()) {
    const auto lead = static_cast<std::uint8_t>(bytes.front());
    std::size_t taken = 1;
    if (lead == '\n') {
      text += "\\n";
    } else if (lead == '\t') {
      text += "\\t";
    } else if (lead == '\r') {
      text += "\\r";
    } else if (lead >= 0x20 && lead < 0x7F) {
      text += static_cast<char>(lead);
    } else if (const std::size_t length = lead < 0x80 ? 0 : utf8Length(bytes); length == 0) {
      appendHexByte(text, "\\x", lead);  // C0 controls, DEL, and bytes that are not UTF-8
    } else if (lead == 0xC2 && static_cast<std::uint8_t>(bytes[1]) < 0xA0) {
      appendHexByte(text, "\\u00", static_cast<std::uint8_t>(bytes[1]));  // C1: U+0080..U+009F
      taken = length;
    } else {
      text.append(bytes.substr(0, length));
      taken = length;
    }
    bytes.remove_prefix(taken);
  }
  return text;
}

void report(std::string_view line) { writeStandardError("kestavon: " + printable(line) + '\n'); }

}  // namespace kestavon
