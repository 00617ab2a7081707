// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/upgrade_command.h"

#include <algorithm>
#include <chrono>
#include <iostream>

#include "cameras/file_bytes.h"
#include "cameras/id_list.h"
#include "cameras/network_settings.h"
#include "cli/camera_search.h"
#include "cli/error_line.h"
#include "cli/interrupt.h"
#include "cli/password_source.h"
#include "cli/progress_board.h"
#include "cli/terminal.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "session/camera_action.h"
#include "session/report_file.h"
#include "session/upgrade_report.h"

namespace vantrel::cli {

namespace {

constexpr auto DRAW_PERIOD = std::chrono::milliseconds(100);

// The cameras to upgrade: the ones named, each once, in the order named;
// or every camera that offers an upgrade. Nothing when that cannot be, with
// the exit status in code.
std::optional<std::vector<CameraRecord>> ChooseCameras(CCameraSearch& search,
                                                       const UpgradeOptions& options, int& code) {
    std::vector<std::string> ids;
    for (const std::string& id : options.ids) {
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            ids.push_back(id);
        }
    }
    const auto allFound = [&] {
        return !options.all && std::all_of(ids.begin(), ids.end(), [&](const std::string& id) {
            return search.Find(id).has_value();
        });
    };
    switch (search.WaitForAnswers(allFound, options.rounds)) {
        case CCameraSearch::WaitEnd::Interrupted:
            code = EXIT_INTERRUPTED;
            return std::nullopt;
        case CCameraSearch::WaitEnd::SocketFailed:
            code = Fail(LoadText(IDS_SOCKET_ERROR), EXIT_NETWORK);
            return std::nullopt;
        case CCameraSearch::WaitEnd::Done:
        case CCameraSearch::WaitEnd::SearchesOver:
            break;
    }
    std::vector<CameraRecord> chosen;
    if (options.all) {
        for (const CameraRecord& camera : search.Cameras()) {
            if (ActionFor(camera) == CameraAction::Upgrade) {
                chosen.push_back(camera);
            }
        }
        if (chosen.empty()) {
            code = Fail("no camera offers an upgrade; these answered: " + IdList(search.Cameras()),
                        EXIT_NOT_FOUND);
            return std::nullopt;
        }
        return chosen;
    }
    std::string missing;
    for (const std::string& id : ids) {
        if (const auto found = search.Find(id)) {
            chosen.push_back(found->record);
        } else {
            missing += (missing.empty() ? "" : ", ") + ShownText(id);
        }
    }
    if (!missing.empty()) {
        code = Fail("no camera " + missing + " answered; these did: " + IdList(search.Cameras()),
                    EXIT_NOT_FOUND);
        return std::nullopt;
    }
    return chosen;
}

// After SIGHUP the terminal is gone: nothing more is written to it.
bool Silent(bool terminal) {
    return terminal && HungUp();
}

// Runs the uploads, up to jobs at once, each camera whose image went out
// followed through its restart, and draws the board until all have ended.
// A camera left with part of an image may not start again, so what started
// finishes: the first Ctrl+C or SIGTERM, or SIGHUP, starts no new upload;
// only a second Ctrl+C breaks the uploads off, before their next chunk.
// Ctrl+C ends the wait for the restarts.
void UploadAll(CCameraSearch& search, std::vector<CameraRecord> cameras, ImageKind kind,
               const UpgradeOptions& options, CProgressBoard& board, bool terminal) {
    CCameraSession& session = search.Session();
    session.Upgrade(std::move(cameras), options.image, kind, options.jobs,
                    options.wait ? std::optional<CRestartWatch::Clock::duration>(
                                       std::chrono::seconds(options.waitSeconds))
                                 : std::nullopt);
    bool warned = false;
    for (;;) {
        if (Interrupted() || HungUp()) {
            session.StartNoMoreUploads();
        }
        if (InterruptCount() >= 2) {
            session.BreakOffUploads();
        } else if (Interrupted() && !warned && !Silent(terminal) && session.UploadsInFlight() > 0) {
            warned = true;
            const std::size_t running = session.UploadsInFlight();
            std::cerr << "\n"
                      << running << (running == 1 ? " upload is" : " uploads are")
                      << " finishing; press Ctrl+C again to break them off \u2014 a camera left "
                         "with half an image may not start\n";
        }
        if (session.UploadsEnded() || (session.UploadsOver() && Interrupted())) {
            break;
        }
        if (!Silent(terminal)) {
            board.Draw(session.Uploads());
        }
        search.RunFor(DRAW_PERIOD);
    }
    if (!Silent(terminal)) {
        board.Draw(session.Uploads());
    }
}

int ExitStatus(const std::vector<UploadJob>& jobs) {
    if (Interrupted()) {
        return EXIT_INTERRUPTED;
    }
    bool failed = false;
    bool onlyPasswords = true;
    bool notBack = false;
    for (const UploadJob& job : jobs) {
        switch (job.state) {
            case UploadJob::State::Delivered:
            case UploadJob::State::Unconfirmed:
            case UploadJob::State::Back:
            case UploadJob::State::BackUnchanged:
                break;
            case UploadJob::State::NotBack:
            case UploadJob::State::Restarting:
                notBack = true;
                break;
            default:
                failed = true;
                onlyPasswords = onlyPasswords && job.messageId == IDS_INCORRECT_PASSWORD;
        }
    }
    if (failed) {
        return onlyPasswords ? EXIT_WRONG_PASSWORD : EXIT_CAMERA_FAILED;
    }
    return notBack ? EXIT_NOT_BACK : EXIT_OK;
}

// A camera back with the version it had may have refused the image.
std::string Warnings(const std::vector<UploadJob>& jobs) {
    std::string text;
    for (const UploadJob& job : jobs) {
        if (job.state == UploadJob::State::BackUnchanged) {
            text += "warning: " + JobId(job) + " is " + job.restart + '\n';
        }
    }
    return text;
}

}  // namespace

int RunUpgrade(const UpgradeOptions& options) {
    std::string error;
    const std::optional<ImageKind> kind = KindOfImage(options.image, error);
    if (!kind) {
        return Fail(error, EXIT_USAGE);
    }
    CCameraSearch search(CCameraSearch::Forget::Never);
    if (const ExitCode code = search.Start(std::cerr); code != EXIT_OK) {
        return code;
    }
    int code = EXIT_OK;
    std::optional<std::vector<CameraRecord>> cameras = ChooseCameras(search, options, code);
    if (!cameras) {
        return code;
    }
    const auto password = CPasswordSource(options.passwordFile).Read("Camera password: ", error);
    if (!password) {
        return Interrupted() ? EXIT_INTERRUPTED : Fail(error, EXIT_USAGE);
    }
    for (CameraRecord& camera : *cameras) {
        (void)StorePassword(camera, *password);
    }
    // The report is for when all else is lost: it must be writable before
    // anything is sent.
    if (!options.report.empty() && !WriteReportFile(options.report, "", error)) {
        return Fail(error, EXIT_USAGE);
    }
    // From here on the uploads finish what they start, terminal or not.
    IgnoreHangUp();
    const bool terminal = RedrawsInPlace();
    std::cout << "upgrading " << cameras->size() << (cameras->size() == 1 ? " camera" : " cameras")
              << " with the " << (*kind == ImageKind::System ? "system" : "application")
              << " image " << options.image << ", "
              << std::min<std::size_t>(options.jobs, cameras->size()) << " at a time\n";
    std::vector<UploadJob> waiting(cameras->size());
    for (std::size_t job = 0; job < waiting.size(); ++job) {
        waiting[job].camera = (*cameras)[job];
    }
    CProgressBoard board(waiting, terminal ? TerminalColumns() : 0, std::cout);
    UploadAll(search, std::move(*cameras), *kind, options, board, terminal);
    const std::vector<UploadJob>& jobs = search.Session().Uploads();
    if (!Silent(terminal)) {
        std::cout << '\n' << board.Summary(jobs) << Warnings(jobs) << std::flush;
    }
    int status = ExitStatus(jobs);
    if (!options.report.empty() &&
        !WriteReportFile(options.report,
                         UpgradeReport(options.image, *kind, jobs, {Interrupted(), HungUp()}),
                         error)) {
        if (!Silent(terminal)) {
            std::cerr << "vantrel-cli: " << error << '\n';
        }
        status = status == EXIT_OK ? EXIT_USAGE : status;
    }
    return status;
}

}  // namespace vantrel::cli
