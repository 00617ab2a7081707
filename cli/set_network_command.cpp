// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/set_network_command.h"

#include <iostream>
#include <limits>

#include "cameras/id_list.h"
#include "cli/camera_search.h"
#include "cli/error_line.h"
#include "cli/interrupt.h"
#include "cli/password_source.h"
#include "cli/site_plan_command.h"
#include "protocol/address_text.h"
#include "protocol/shown_text.h"
#include "protocol/socket.h"
#include "res/string_table.h"
#include "session/network_change.h"

namespace vantrel::cli {

namespace {

// Waits for the camera to answer; nothing when it did not (the reason told).
std::optional<CameraRecord> FindCamera(CCameraSearch& search, const SetNetworkOptions& options,
                                       int& code) {
    const std::string& id = options.ids.front();
    const auto end =
        search.WaitForAnswers([&] { return search.Find(id).has_value(); }, options.rounds);
    if (end == CCameraSearch::WaitEnd::Done) {
        return search.Find(id)->record;
    }
    if (end == CCameraSearch::WaitEnd::Interrupted) {
        code = EXIT_INTERRUPTED;
    } else if (end == CCameraSearch::WaitEnd::SocketFailed) {
        code = Fail(LoadText(IDS_SOCKET_ERROR), EXIT_NETWORK);
    } else {
        code =
            Fail("no camera " + ShownText(id) + " answered; these did: " + IdList(search.Cameras()),
                 EXIT_NOT_FOUND);
    }
    return std::nullopt;
}

// An address option that is no address is refused with its field's
// message, before any search and before anything is sent.
std::optional<int> RefuseUnreadableAddress(const SetNetworkOptions& options) {
    struct AddressOption {
        const char* name;
        const std::optional<std::string>& text;
        int message;
    };
    for (const AddressOption& option : {AddressOption{"--ip", options.ip, IDS_IP_ADDRESS_INVALID},
                                        {"--ip-from", options.ipFrom, IDS_IP_ADDRESS_INVALID},
                                        {"--mask", options.mask, IDS_SUBNET_MASK_INVALID},
                                        {"--gateway", options.gateway, IDS_GATEWAY_INVALID},
                                        {"--dns", options.dns, IDS_DNS_INVALID}}) {
        if (option.text && !ReadAddress(*option.text)) {
            return Fail(std::string(LoadText(option.message)) + " (" + option.name + " " +
                            *option.text +
                            ": an address is four numbers of 0 to 255 apart by dots)",
                        EXIT_USAGE);
        }
    }
    return std::nullopt;
}

}  // namespace

NetworkChanges ChangesOf(const SetNetworkOptions& options) {
    return {options.port, options.dhcp, options.ip, options.mask, options.gateway, options.dns};
}

int RunSetNetwork(const SetNetworkOptions& options) {
    if (const std::optional<int> code = RefuseUnreadableAddress(options)) {
        return *code;
    }
    if (!options.plan.empty() || options.ipFrom) {
        return RunSitePlan(options);
    }
    const std::string& id = options.ids.front();
    CCameraSearch search(CCameraSearch::Forget::Never);
    if (const ExitCode code = search.Start(std::cerr); code != EXIT_OK) {
        return code;
    }
    int code = EXIT_OK;
    const std::optional<CameraRecord> camera = FindCamera(search, options, code);
    if (!camera) {
        return code;
    }
    // The dialog's checks, in its order, before the password is asked for:
    // settings it would refuse are refused with its message, and nothing
    // goes out.
    CameraRecord asked = *camera;
    if (const int message =
            ApplyNetworkForm(FormFor(*camera, ChangesOf(options)), asked).messageId) {
        return Fail(LoadText(message), EXIT_USAGE);
    }
    std::string error;
    const auto password =
        CPasswordSource(options.passwordFile).Read("Password for " + id + ": ", error);
    if (!password) {
        return Interrupted() ? EXIT_INTERRUPTED : Fail(error, EXIT_USAGE);
    }
    asked = *camera;
    (void)ApplyNetworkForm(FormFor(*camera, ChangesOf(options), *password), asked);
    if (asked.httpPort != camera->httpPort) {
        std::cerr << "vantrel-cli: note: a set-network request carries no HTTP port; " << id
                  << " keeps port " << ntohs(camera->httpPort) << '\n';
    }

    search.Session().ChangeNetwork(*camera, asked);
    const auto changed = [&] { return search.Session().NetworkChange()->Ended(); };
    switch (search.WaitUntil(changed, std::numeric_limits<std::uint64_t>::max())) {
        case CCameraSearch::WaitEnd::Interrupted:
            return EXIT_INTERRUPTED;
        case CCameraSearch::WaitEnd::SocketFailed:
            return Fail(LoadText(IDS_SOCKET_ERROR), EXIT_NETWORK);
        case CCameraSearch::WaitEnd::SearchesOver:
        case CCameraSearch::WaitEnd::Done:
            break;
    }
    const CNetworkChange& change = *search.Session().NetworkChange();
    switch (change.Result()) {
        case CNetworkChange::Outcome::Refused:
            return Fail(LoadText(IDS_INCORRECT_PASSWORD), EXIT_WRONG_PASSWORD);
        case CNetworkChange::Outcome::Waiting:
        case CNetworkChange::Outcome::NotShown:
            return Fail(id + " " + change.Text(), EXIT_CAMERA_FAILED);
        case CNetworkChange::Outcome::Taken:
            break;
    }
    std::cout << ShownText(id) << ": " << SettingsText(change.Latest()) << '\n';
    return EXIT_OK;
}

}  // namespace vantrel::cli
