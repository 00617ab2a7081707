// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/site_plan_command.h"

#include <algorithm>
#include <iostream>
#include <limits>
#include <unordered_set>

#include "cameras/network_settings.h"
#include "cameras/plan_file.h"
#include "cameras/plan_rollout.h"
#include "cli/camera_search.h"
#include "cli/error_line.h"
#include "cli/interrupt.h"
#include "cli/password_source.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "session/plan_report.h"
#include "session/report_file.h"
#include "session/site_plan.h"

namespace vantrel::cli {

namespace {

int Ended(CCameraSearch::WaitEnd end) {
    return end == CCameraSearch::WaitEnd::Interrupted
               ? EXIT_INTERRUPTED
               : Fail(LoadText(IDS_SOCKET_ERROR), EXIT_NETWORK);
}

bool Broken(CCameraSearch::WaitEnd end) {
    return end == CCameraSearch::WaitEnd::Interrupted ||
           end == CCameraSearch::WaitEnd::SocketFailed;
}

std::string ProblemText(const PlanProblem& problem, const std::string& planName) {
    std::string text = "vantrel-cli: ";
    if (problem.line != 0) {
        text += planName + ":" + std::to_string(problem.line) + ": ";
    }
    if (!problem.id.empty()) {
        text += problem.id + ": ";
    }
    return text + problem.text;
}

// Waits until each named camera has answered, or, with no names (all or
// foreign), until the answers have settled (or for every round given):
// only then has each camera had its chance.
CCameraSearch::WaitEnd WaitForCameras(CCameraSearch& search, const std::vector<PlanRow>& rows,
                                      std::optional<std::uint64_t> rounds) {
    std::uint64_t looked = 0;
    bool all = false;
    return search.WaitForAnswers(
        [&] {
            if (rows.empty() || search.Version() == looked) {
                return all;
            }
            looked = search.Version();
            std::unordered_set<std::string> answered;
            for (const CameraRecord& camera : search.Cameras()) {
                answered.emplace(FieldText(camera.id));
            }
            all = std::all_of(rows.begin(), rows.end(),
                              [&](const PlanRow& row) { return answered.contains(row.id); });
            return all;
        },
        rounds);
}

// The ids a range takes when none are named: every camera that answered,
// or only those on another subnet than this computer's, by id.
std::vector<std::string> AnsweringIds(const CCameraSearch& search, bool foreignOnly) {
    std::vector<std::string> ids;
    for (const CameraRecord& camera : search.Cameras()) {
        if (!foreignOnly || camera.subnetMatch == 0) {
            ids.emplace_back(FieldText(camera.id));
        }
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

SitePlan RangeOf(const SetNetworkOptions& options, const std::vector<std::string>& ids) {
    return RangePlan(ids, *options.ipFrom, options.mask.value_or(""), options.gateway.value_or(""),
                     options.dns.value_or(""));
}

// Asks the link about the planned addresses on this computer's subnets,
// again for those a range takes instead of addresses found in use.
void AskTheLink(CSitePlan& site) {
    constexpr int MOST_ROUNDS = 8;
    for (int round = 0; round < MOST_ROUNDS; ++round) {
        const std::vector<std::uint32_t> ask = site.AddressesToAsk();
        if (ask.empty()) {
            return;
        }
        site.Answered(ask, FindAddressHolders(ask));
    }
}

// Sends the requests and runs the session until the plan has settled:
// every camera shows its new settings, the refusals account for the rest,
// or the searches for it are over.
CCameraSearch::WaitEnd Apply(CCameraSearch& search, const std::vector<PlanChange>& changes,
                             std::string_view password) {
    search.Session().ApplyPlan(changes, password);
    return search.WaitUntil([&] { return !search.Session().Plan().has_value(); },
                            std::numeric_limits<std::uint64_t>::max());
}

int ExitFor(const CPlanRollout& rollout) {
    const std::size_t cameras = rollout.Cameras().size();
    if (rollout.Count(CPlanRollout::Outcome::Changed) == cameras) {
        return EXIT_OK;
    }
    return rollout.Count(CPlanRollout::Outcome::Refused) == cameras ? EXIT_WRONG_PASSWORD
                                                                    : EXIT_CAMERA_FAILED;
}

}  // namespace

int RunSitePlan(const SetNetworkOptions& options) {
    const bool fromFile = !options.plan.empty();
    const std::string planName = fromFile ? options.plan : "--ip-from";
    SitePlan plan = fromFile ? ReadPlanFile(options.plan) : RangeOf(options, options.ids);
    if (plan.rows.empty() && !plan.problems.empty()) {
        for (const PlanProblem& problem : plan.problems) {
            std::cerr << ProblemText(problem, planName) << '\n';
        }
        return EXIT_USAGE;
    }
    std::string error;
    if (!options.report.empty() && !options.dryRun && !WriteReportFile(options.report, "", error)) {
        return Fail(error, EXIT_USAGE);
    }

    CCameraSearch search(CCameraSearch::Forget::Never);
    if (const ExitCode code = search.Start(std::cerr); code != EXIT_OK) {
        return code;
    }
    if (const auto end = WaitForCameras(search, plan.rows, options.rounds); Broken(end)) {
        return Ended(end);
    }
    std::vector<std::string> ids = options.ids;
    if (options.all || options.foreign) {
        ids = AnsweringIds(search, options.foreign);
        if (ids.empty()) {
            return Fail(
                options.foreign ? "no camera on another subnet answered" : "no camera answered",
                EXIT_NOT_FOUND);
        }
    }
    CSitePlan site(search.Cameras(), search.Session().HostInterfaces());
    if (fromFile) {
        site.Plan(std::move(plan));
    } else {
        site.Range(ids, *options.ipFrom, options.mask.value_or(""), options.gateway.value_or(""),
                   options.dns.value_or(""));
    }
    AskTheLink(site);
    for (const AddressHolder& skipped : site.Skipped()) {
        std::cerr << "vantrel-cli: " << SkippedAddressText(skipped) << '\n';
    }
    const CheckedPlan& checked = site.Checked();
    if (!checked.problems.empty() || !site.Sendable()) {
        for (const PlanProblem& problem : checked.problems) {
            std::cerr << ProblemText(problem, planName) << '\n';
        }
        return Fail("nothing was sent", EXIT_USAGE);
    }
    if (options.dryRun) {
        std::cout << PlanChangesText(checked.changes) << std::flush;
        return EXIT_OK;
    }

    const std::size_t count = checked.changes.size();
    const auto password = CPasswordSource(options.passwordFile)
                              .Read("Password for the " + std::to_string(count) +
                                        (count == 1 ? " camera" : " cameras") + " of the plan: ",
                                    error);
    if (!password) {
        return Interrupted() ? EXIT_INTERRUPTED : Fail(error, EXIT_USAGE);
    }
    std::cerr << "vantrel-cli: sent " << count << (count == 1 ? " request" : " requests")
              << "; waiting for the cameras to show their new settings\n";
    const auto end = Apply(search, checked.changes, *password);
    // Broken off, the plan is told as far as the searches had shown it.
    const CPlanRollout& rollout = Broken(end) ? *search.Session().Plan() : *search.EndedPlan();
    std::cout << PlanResultText(rollout) << std::flush;
    if (!options.report.empty() &&
        !WriteReportFile(options.report, PlanReport(rollout, options.report), error)) {
        return Fail(error, EXIT_CAMERA_FAILED);
    }
    return Broken(end) ? Ended(end) : ExitFor(rollout);
}

}  // namespace vantrel::cli
