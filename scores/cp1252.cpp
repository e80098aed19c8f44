#include "scores/cp1252.h"

#include <array>
#include <cstdint>

namespace scores::cp1252 {

namespace {

// Code points of the bytes 80 to 9F; the undefined ones map to themselves.
constexpr std::array<char32_t, 32> kHigh{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

char byte_for(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// By the number of continuation bytes, the greatest code point that a shorter sequence holds:
// a sequence that decodes to no more is an overlong form, which UTF-8 forbids (C0 AF is no "/").
constexpr char32_t kOverlongUpTo[] = {0, 0x7F, 0x7FF, 0xFFFF};

// The next code point of a UTF-8 text, moving pos past it; U+FFFD for a broken sequence.
char32_t next(std::string_view s, std::size_t& pos) {
  const auto lead = static_cast<std::uint8_t>(s[pos++]);
  if (lead < 0x80) return lead;
  if (lead < 0xC0 || lead > 0xF4) return 0xFFFD;  // a lone continuation byte, or no lead at all
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  char32_t c = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    if (pos == s.size() || (static_cast<std::uint8_t>(s[pos]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (static_cast<std::uint8_t>(s[pos++]) & 0x3F);
  }
  return c <= kOverlongUpTo[more] ? 0xFFFD : c;
}

}  // namespace

std::string decode(std::string_view bytes) {
  std::string out;
  for (char b : bytes) {
    const auto u = static_cast<std::uint8_t>(b);
    append_utf8(out, u >= 0x80 && u < 0xA0 ? kHigh[u - 0x80] : char32_t{u});
  }
  return out;
}

std::string encode(std::string_view utf8) {
  std::string out;
  for (std::size_t pos = 0; pos < utf8.size();) out += byte_for(next(utf8, pos));
  return out;
}

std::size_t length(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < utf8.size(); ++n) next(utf8, pos);
  return n;
}

std::string left(std::string_view utf8, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < n && pos < utf8.size(); ++i) next(utf8, pos);
  return std::string(utf8.substr(0, pos));
}

}  // namespace scores::cp1252
