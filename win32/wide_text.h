// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace vantrel {

// The core speaks UTF-8 and Windows UTF-16: texts cross once, here, at
// the window's edge.
[[nodiscard]] std::wstring Wide(std::string_view utf8);
[[nodiscard]] std::string Utf8(std::wstring_view wide);

// A password is single bytes on the camera's side: what a field holds,
// one byte a character (a character past U+00FF becomes '?'), and back.
[[nodiscard]] std::string Latin1(std::wstring_view wide);
[[nodiscard]] std::wstring FromLatin1(std::string_view bytes);

}  // namespace vantrel
