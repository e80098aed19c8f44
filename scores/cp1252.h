#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The score file keeps text one byte a character in Windows-1252; the program holds UTF-8.
namespace scores::cp1252 {

// Every byte gives one character. The five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90,
// 9D) give U+0081 and so on, so that every byte read is written back unchanged.
std::string decode(std::string_view bytes);

// One byte a character; a character Windows-1252 lacks, or a broken UTF-8 sequence (an overlong
// form included), gives "?".
std::string encode(std::string_view utf8);

// Characters in a UTF-8 text, and the text cut to its first n characters.
std::size_t length(std::string_view utf8);
std::string left(std::string_view utf8, std::size_t n);

}  // namespace scores::cp1252
