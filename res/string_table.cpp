// SPDX-License-Identifier: GPL-3.0-or-later
#include "res/string_table.h"

#include <algorithm>
#include <iterator>

namespace vantrel {

namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry STRINGS[] = {
#define VANTREL_STRING(name, id, text) {name, text},
#include "res/strings.inc"
#undef VANTREL_STRING
};

}  // namespace

const char* LoadText(int id) {
    const auto* found = std::find_if(std::begin(STRINGS), std::end(STRINGS),
                                     [id](const Entry& entry) { return entry.id == id; });
    return found != std::end(STRINGS) ? found->text : "";
}

}  // namespace vantrel
