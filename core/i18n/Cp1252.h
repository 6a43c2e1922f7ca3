#pragma once

#include <optional>
#include <string>
#include <string_view>

// Windows-1252, the 8-bit code page every stored and shown text of the program is held in. The core has
// no Qt, so it carries its own small codec; the windows convert through Qt's codec at their boundary.
namespace cp1252 {

// nullopt when the input is not valid UTF-8 or holds a character the code page cannot hold.
std::optional<std::string> fromUtf8(std::string_view utf8);

// Bytes without a character in the code page (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls
// of the same value, as Windows does, so every byte string survives a round trip.
std::string toUtf8(std::string_view bytes);

} // namespace cp1252
