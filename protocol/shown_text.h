// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// A camera's text as it may be shown, in UTF-8. Bytes that form valid UTF-8
// are taken as UTF-8 (what a camera's own web page stores); anything else is
// taken byte for byte as Latin-1. Characters that would break a line, or
// turn or hide the text around them (control characters, line and paragraph
// separators, direction overrides), become U+FFFD, so one camera's text
// always shows as itself, on one line.
[[nodiscard]] std::string ShownText(std::string_view bytes);

// The number of characters in a UTF-8 text.
[[nodiscard]] std::size_t CharacterCount(std::string_view utf8);

}  // namespace vantrel
