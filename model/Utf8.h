// Counting and cutting UTF-8 text by characters: a Cyrillic letter is two bytes, one character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vell {

// Every byte but a continuation byte (10xxxxxx) starts a character.
inline bool StartsUtf8Character(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

inline std::size_t Utf8Length(std::string_view text) {
    std::size_t characters = 0;
    for (char byte : text)
        characters += StartsUtf8Character(byte);
    return characters;
}

// The first `limit` characters of `text` (all of it when shorter).
inline std::string CutUtf8(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (StartsUtf8Character(text[i]) && characters++ == limit)
            return std::string(text.substr(0, i));
    return std::string(text);
}

} // namespace vell
