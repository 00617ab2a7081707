// SPDX-License-Identifier: GPL-3.0-or-later
#include "cameras/empty_list_text.h"

namespace vantrel {

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

}  // namespace

std::string EmptyListText(const std::vector<std::string>& interfaces, int quietPeriods) {
    if (interfaces.empty()) {
        return "This computer has no network to search on. Connect the cable or join a "
               "network; Vantrel searches there as soon as it is up.";
    }
    if (quietPeriods < 2) {
        return "Searching for cameras on " + Joined(interfaces) + "\u2026";
    }
    return "No camera has answered yet. Check the cable, and that your firewall lets UDP port "
           "10000 in.\n\nSearched on " +
           Joined(interfaces) + ".";
}

}  // namespace vantrel
