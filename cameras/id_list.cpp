// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/id_list.h"

#include "protocol/shown_text.h"
#include "protocol/text_field.h"

namespace vantrel {

std::string IdList(const std::vector<CameraRecord>& cameras) {
    constexpr std::size_t SHOWN = 20;
    std::string list;
    for (std::size_t i = 0; i < cameras.size() && i < SHOWN; ++i) {
        list += (list.empty() ? "" : ", ") + ShownText(FieldText(cameras[i].id));
    }
    if (cameras.size() > SHOWN) {
        list += " and " + std::to_string(cameras.size() - SHOWN) + " more";
    }
    return list.empty() ? "none" : list;
}

}  // namespace vantrel
