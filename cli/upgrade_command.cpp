// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/upgrade_command.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iostream>
#include <mutex>
#include <stop_token>
#include <thread>

#include "cameras/file_bytes.h"
#include "cameras/id_list.h"
#include "cameras/network_settings.h"
#include "cameras/restart_watch.h"
#include "cameras/upgrade_session.h"
#include "cli/camera_search.h"
#include "cli/error_line.h"
#include "cli/interrupt.h"
#include "cli/job_view.h"
#include "cli/password_source.h"
#include "cli/progress_board.h"
#include "cli/report_file.h"
#include "cli/terminal.h"
#include "cli/upgrade_report.h"
#include "protocol/shown_text.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel::cli {

namespace {

constexpr auto DRAW_PERIOD = std::chrono::milliseconds(100);

// The lines the window shows as "appication firmware does not exist,
// please dbclick to upgrade it !": on a local subnet, no application yet.
bool OffersUpgrade(const CameraRecord& camera) {
    return camera.subnetMatch != 0 && camera.appVersion == 0;
}

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
    switch (search.WaitUntil(allFound, options.rounds)) {
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
            if (OffersUpgrade(camera)) {
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

using Clock = std::chrono::steady_clock;

long long SecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
}

CProgressBoard::State BoardState(CRestartWatch::Outcome outcome) {
    switch (outcome) {
        case CRestartWatch::Outcome::Waiting:
            return CProgressBoard::State::Restarting;
        case CRestartWatch::Outcome::Back:
            return CProgressBoard::State::Back;
        case CRestartWatch::Outcome::BackUnchanged:
            return CProgressBoard::State::BackUnchanged;
        case CRestartWatch::Outcome::NotBack:
        case CRestartWatch::Outcome::NeverLeft:
            break;
    }
    return CProgressBoard::State::NotBack;
}

// A camera whose image went out, followed through its restart.
struct Restart {
    std::size_t line;
    CRestartWatch watch;
    Clock::time_point started;  // when its upload began
};

// Runs the sessions, up to jobs at once, then follows each camera whose
// image went out through its restart, and draws the board until all have
// ended. A camera left with part of an image may not start again, so what
// started finishes: the first Ctrl+C or SIGTERM, or SIGHUP, starts no new
// upload; only a second Ctrl+C breaks the uploads off, before their next
// chunk. Ctrl+C ends the wait for the restarts.
void UploadAll(CCameraSearch& search, const std::vector<CameraRecord>& cameras, ImageKind kind,
               const UpgradeOptions& options, CProgressBoard& board, bool terminal) {
    std::stop_source stop;
    std::atomic<bool> startNoMore{false};
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::mutex deliveredMutex;
    std::vector<Restart> delivered;  // from the upload threads to this one
    const auto uploadOne = [&](std::size_t line) {
        const auto started = Clock::now();
        board.SetState(line, CProgressBoard::State::Connecting);
        std::ifstream image;
        if (const int message = OpenImage(options.image, kind, image)) {
            board.SetState(line, CProgressBoard::State::Failed, message);
            return;
        }
        CJobView view(board, line);
        RunUpgradeSession(std::move(image), kind, cameras[line], view, stop.get_token());
        board.EndLine(line);
        const auto state = board.StateOf(line);
        if (options.wait &&
            (state == CProgressBoard::State::Done || state == CProgressBoard::State::Unconfirmed)) {
            const std::lock_guard lock(deliveredMutex);
            const Delivery delivery =
                state == CProgressBoard::State::Done ? Delivery::Confirmed : Delivery::Unconfirmed;
            delivered.push_back({line,
                                 CRestartWatch(cameras[line], kind, Clock::now(),
                                               std::chrono::seconds(options.waitSeconds), delivery),
                                 started});
        } else {
            board.SetSeconds(line, SecondsSince(started));
        }
    };
    const std::size_t workers = std::min<std::size_t>(options.jobs, cameras.size());
    std::vector<std::jthread> threads;
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t line = next++; line < cameras.size() && !startNoMore; line = next++) {
                uploadOne(line);
            }
            ++finished;
        });
    }
    bool warned = false;
    std::vector<Restart> restarts;
    for (;;) {
        if (Interrupted() || HungUp()) {
            startNoMore = true;
        }
        if (InterruptCount() >= 2) {
            stop.request_stop();
        } else if (Interrupted() && !warned && !Silent(terminal) && board.Running() > 0) {
            warned = true;
            const std::size_t running = board.Running();
            std::cerr << "\n"
                      << running << (running == 1 ? " upload is" : " uploads are")
                      << " finishing; press Ctrl+C again to break them off \u2014 a camera left "
                         "with half an image may not start\n";
        }
        {
            const std::lock_guard lock(deliveredMutex);
            for (Restart& restart : delivered) {
                search.Follow(FieldText(cameras[restart.line].id));
                board.SetRestart(restart.line, CProgressBoard::State::Restarting,
                                 restart.watch.Text());
                restarts.push_back(std::move(restart));
            }
            delivered.clear();
        }
        const bool uploading = finished < workers;
        if (!uploading && (restarts.empty() || Interrupted())) {
            break;
        }
        // Each search that went out: did the camera answer the one before it?
        for (auto restart = restarts.begin(); restart != restarts.end();) {
            const CameraRecord& camera = cameras[restart->line];
            const auto found = search.Find(FieldText(camera.id));
            for (const bool answered : search.TakeAnswers(FieldText(camera.id))) {
                if (answered) {
                    restart->watch.Answered(found ? found->record : camera);
                }
                restart->watch.Searched(Clock::now());
            }
            board.SetRestart(restart->line, BoardState(restart->watch.Result()),
                             restart->watch.Text());
            if (restart->watch.Ended()) {
                board.SetSeconds(restart->line, SecondsSince(restart->started));
                restart = restarts.erase(restart);
            } else {
                ++restart;
            }
        }
        if (!Silent(terminal)) {
            board.Draw();
        }
        std::this_thread::sleep_for(DRAW_PERIOD);
    }
    threads.clear();
    if (!Silent(terminal)) {
        board.Draw();
    }
}

int ExitStatus(const std::vector<CProgressBoard::Line>& lines) {
    if (Interrupted()) {
        return EXIT_INTERRUPTED;
    }
    bool failed = false;
    bool onlyPasswords = true;
    bool notBack = false;
    for (const CProgressBoard::Line& line : lines) {
        switch (line.state) {
            case CProgressBoard::State::Done:
            case CProgressBoard::State::Unconfirmed:
            case CProgressBoard::State::Back:
            case CProgressBoard::State::BackUnchanged:
                break;
            case CProgressBoard::State::NotBack:
            case CProgressBoard::State::Restarting:
                notBack = true;
                break;
            default:
                failed = true;
                onlyPasswords = onlyPasswords && line.messageId == IDS_INCORRECT_PASSWORD;
        }
    }
    if (failed) {
        return onlyPasswords ? EXIT_WRONG_PASSWORD : EXIT_CAMERA_FAILED;
    }
    return notBack ? EXIT_NOT_BACK : EXIT_OK;
}

// A camera back with the version it had may have refused the image.
std::string Warnings(const std::vector<CProgressBoard::Line>& lines) {
    std::string text;
    for (const CProgressBoard::Line& line : lines) {
        if (line.state == CProgressBoard::State::BackUnchanged) {
            text += "warning: " + line.id + " is " + line.restart + '\n';
        }
    }
    return text;
}

}  // namespace

std::optional<ImageKind> KindOfImage(const std::string& path, std::string& error) {
    const FileBytes start = ReadFileBytes(path, MarkBytes());
    if (!start.bytes) {
        error =
            std::string(LoadText(IDS_FILE_OPEN_FAILED)) + " (" + path + ": " + start.problem + ")";
        return std::nullopt;
    }
    if (const std::optional<ImageKind> kind = KindByMark(*start.bytes)) {
        return kind;
    }
    error = path +
            " is no firmware image: it has neither the system mark \"BNEG\" at its start nor "
            "the application mark \"UPGRADE APP_WARE FILE\" at byte 8";
    return std::nullopt;
}

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
    std::vector<CProgressBoard::Line> lines;
    for (CameraRecord& camera : *cameras) {
        (void)StorePassword(camera, *password);
        lines.push_back({ShownText(FieldText(camera.id)), ShownText(FieldText(camera.alias)),
                         CProgressBoard::State::Waiting, 0, 0});
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
    CProgressBoard board(std::move(lines), terminal ? TerminalColumns() : 0, std::cout);
    UploadAll(search, *cameras, *kind, options, board, terminal);
    if (!Silent(terminal)) {
        std::cout << '\n' << board.Summary() << Warnings(board.Lines()) << std::flush;
    }
    int status = ExitStatus(board.Lines());
    if (!options.report.empty() &&
        !WriteReportFile(options.report, UpgradeReport(options.image, *kind, board.Lines()),
                         error)) {
        if (!Silent(terminal)) {
            std::cerr << "vantrel-cli: " << error << '\n';
        }
        status = status == EXIT_OK ? EXIT_USAGE : status;
    }
    return status;
}

}  // namespace vantrel::cli
