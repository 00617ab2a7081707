// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/shown_text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vantrel {

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The characters of a strictly valid UTF-8 text (no overlong forms, no
// surrogates, nothing past U+10FFFF); none when the bytes are not one.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view bytes) {
    std::vector<char32_t> characters;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t value = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            value = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            value = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            value = lead & 0x07;
            least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (bytes.size() - i < length) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (!IsContinuation(next)) {
                return std::nullopt;
            }
            value = value << 6 | (next & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return std::nullopt;
        }
        characters.push_back(value);
        i += length;
    }
    return characters;
}

bool BreaksTheLine(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0x200E ||
           c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | c >> 6);
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | c >> 12);
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | c >> 18);
        text += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string ShownText(std::string_view bytes) {
    std::vector<char32_t> characters;
    if (auto decoded = DecodeUtf8(bytes)) {
        characters = std::move(*decoded);
    } else {
        characters.assign(bytes.begin(), bytes.end());
        for (char32_t& c : characters) {
            c &= 0xFF;  // char may be signed
        }
    }
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char32_t c : characters) {
        AppendUtf8(text, BreaksTheLine(c) ? REPLACEMENT : c);
    }
    return text;
}

std::size_t CharacterCount(std::string_view utf8) {
    std::size_t count = 0;
    for (const char byte : utf8) {
        count += !IsContinuation(static_cast<unsigned char>(byte));
    }
    return count;
}

}  // namespace vantrel
