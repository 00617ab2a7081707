// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel {

// The program's user-visible texts by resource id.
enum StringId : int {
#define VANTREL_STRING(name, id, text) name = id,
#include "res/strings.inc"
#undef VANTREL_STRING
};

// The text of a string id, exactly as the user sees it; "" for an unknown id.
[[nodiscard]] const char* LoadText(int id);

}  // namespace vantrel
