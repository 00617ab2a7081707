// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace vantrel {

// Camera texts live in fixed-width fields: a text ends at its first NUL byte
// or at the field's end, and nothing looks past the field.

template <std::size_t N>
[[nodiscard]] std::string_view FieldText(const char (&field)[N]) {
    const auto* end = std::find(field, field + N, '\0');
    return {field, static_cast<std::size_t>(end - field)};
}

template <std::size_t N>
[[nodiscard]] bool SameFieldText(const char (&a)[N], const char (&b)[N]) {
    return FieldText(a) == FieldText(b);
}

// Zero-fills the field and stores at most maxChars characters of text, never
// more than leave room for a terminator. Returns the text as taken.
template <std::size_t N>
std::string_view StoreFieldText(char (&field)[N], std::string_view text,
                                std::size_t maxChars = N - 1) {
    std::memset(field, 0, N);
    const std::size_t taken = std::min({text.size(), maxChars, N - 1});
    if (taken > 0) {
        std::memcpy(field, text.data(), taken);
    }
    return {field, taken};
}

}  // namespace vantrel
