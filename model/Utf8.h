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

// The length of the well-formed UTF-8 sequence that starts at `at` (1 to 4 bytes), or 0 where
// none does: a stray continuation byte, a sequence cut short, an overlong form, a surrogate or a
// code point past U+10FFFF.
inline std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
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
    if (text.size() - at < length) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    return length;
}

inline bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

} // namespace vell
