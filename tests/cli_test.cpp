// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of vantrel-cli that need no network: what it prints, what it
// sends for the options given, and where its password comes from.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cameras/id_list.h"
#include "cli/camera_search.h"
#include "cli/password_source.h"
#include "cli/progress_board.h"
#include "cli/set_network_command.h"
#include "cli/upgrade_command.h"
#include "cli/watch_printer.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/string_table.h"
#include "session/camera_rows.h"
#include "session/plan_report.h"

namespace vantrel::cli {
namespace {

CameraRecord Camera(const char* id, const char* alias, const char* ip, std::uint32_t appVersion) {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    StoreFieldText(camera.alias, alias);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = inet_addr("10.0.0.1");
    camera.dns = inet_addr("10.0.0.2");
    camera.httpPort = htons(8080);
    camera.systemVersion = inet_addr("1.2.3.4");
    camera.appVersion = appVersion;
    camera.subnetMatch = 1;
    return camera;
}

std::string Temporary(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(CameraRows, JsonAndCsvCarryEveryFieldAndCameraBytesNeverReachTheTerminalRaw) {
    // A hostile camera: an escape sequence in its id, a comma and a quote in
    // its name, no application firmware.
    CameraRecord hostile = Camera("\x1b[2J", "Dock \"A\", west", "10.0.0.9", 0);
    const std::vector<CameraRow> rows =
        SortedRows({{Camera("CAM2", "Lobby", "10.0.0.7", inet_addr("2.0.0.1")), {}},
                    {hostile, {"CAM2", "CAM\x1b"}}});
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("\xef\xbf\xbd[2J", rows[1].id) << "the escape byte shows as U+FFFD";

    const auto json = nlohmann::json::parse(JsonText(rows, -1));
    const auto& lobby = json.at("cameras").at(0);
    EXPECT_EQ("CAM2", lobby.at("id"));
    EXPECT_EQ("10.0.0.7", lobby.at("ip"));
    EXPECT_EQ("255.255.255.0", lobby.at("mask"));
    EXPECT_EQ("10.0.0.1", lobby.at("gateway"));
    EXPECT_EQ("10.0.0.2", lobby.at("dns"));
    EXPECT_EQ(8080, lobby.at("http_port"));
    EXPECT_EQ("1.2.3.4", lobby.at("system_version"));
    EXPECT_EQ("2.0.0.1", lobby.at("app_version"));
    EXPECT_EQ(true, lobby.at("local_subnet"));
    EXPECT_EQ("http://10.0.0.7:8080", lobby.at("status"));
    const auto& dock = json.at("cameras").at(1);
    EXPECT_TRUE(dock.at("app_version").is_null());
    EXPECT_EQ(LoadText(IDS_NO_APP_FIRMWARE), dock.at("status"));
    EXPECT_EQ("http://10.0.0.9:8080", dock.at("web_address"));
    EXPECT_EQ(nlohmann::json::array(), lobby.at("address_shared_with"));
    EXPECT_EQ((nlohmann::json{"CAM2", "CAM\xef\xbf\xbd"}), dock.at("address_shared_with"));
    const std::string line = JsonText(rows, -1);
    EXPECT_EQ(line.size() - 1, line.find('\n')) << "one document, one line, for --watch";

    const std::string csv = CsvText(rows);
    EXPECT_EQ(0u, csv.find("id,name,ip,mask,gateway,dns,http_port,system_version,app_version,"
                           "local_subnet,web_address,status,address_shared_with\n"
                           "CAM2,Lobby,10.0.0.7,"));
    EXPECT_NE(std::string::npos, csv.find(",http://10.0.0.7:8080,\n"))
        << "an address of its own leaves the last field empty";
    EXPECT_NE(std::string::npos,
              csv.find(",\"Dock \"\"A\"\", west\",10.0.0.9,255.255.255.0,10.0.0.1,10.0.0.2,8080,"
                       "1.2.3.4,,true,http://10.0.0.9:8080,\"appication firmware"));
    EXPECT_NE(std::string::npos, csv.find(",CAM2 CAM\xef\xbf\xbd\n"));
    const std::string table = TableText(rows);
    EXPECT_NE(std::string::npos, table.find(" 10.0.0.9 *  ")) << "the shared address is marked";
    EXPECT_EQ(std::string::npos, table.find(" 10.0.0.7 *"));
    EXPECT_NE(std::string::npos, table.find("\n* another camera reports this address"));
    EXPECT_EQ(3, std::count(csv.begin(), csv.end(), '\n'));
}

TEST(CameraRows, TableColumnsLineUpByCharactersNotBytes) {
    const std::string table = TableText(SortedRows({{Camera("B",
                                                            "Stra\xc3\x9f"
                                                            "e",
                                                            "10.0.0.7", 1),
                                                     {}},
                                                    {Camera("A", "Gate", "10.0.0.12", 1), {}}}));
    std::istringstream lines(table);
    std::string heading, first, second;
    std::getline(lines, heading);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(0u, first.find("A   Gate    10.0.0.12 ")) << "sorted by id";
    EXPECT_EQ(0u, second.find("B   Stra\xc3\x9f"
                              "e  10.0.0.7  "));
    EXPECT_EQ(heading.find("STATUS"), first.find("http://")) << "the status column lines up";
}

TEST(IdList, NamesTheFirstTwentyAndCountsTheRest) {
    EXPECT_EQ("none", IdList({}));
    std::vector<CameraRecord> cameras;
    for (int i = 0; i < 25; ++i) {
        cameras.push_back(Camera(("C" + std::to_string(i)).c_str(), "", "10.0.0.1", 1));
    }
    const std::string list = IdList(cameras);
    EXPECT_EQ(0u, list.find("C0, C1, C2, "));
    EXPECT_NE(std::string::npos, list.find(", C19 and 5 more"));
    EXPECT_EQ(std::string::npos, list.find("C20"));
}

TEST(WatchPrinter, TellsWhoCameWentAndChanged) {
    CWatchPrinter printer;
    const CameraRow a = RowOf({Camera("A", "Gate", "10.0.0.1", 1), {}});
    CameraRow b = RowOf({Camera("B", "Dock", "10.0.0.2", 1), {}});
    EXPECT_EQ(
        "+\tA\tGate\t10.0.0.1\thttp://10.0.0.1:8080\n+\tB\tDock\t10.0.0.2\thttp://10.0.0.2:8080\n",
        printer.Changes({a, b}));
    EXPECT_EQ("", printer.Changes({b, a})) << "nothing changed, nothing printed";
    b.ip = "10.0.0.3";
    EXPECT_EQ(
        "-\tA\tGate\t10.0.0.1\thttp://10.0.0.1:8080\n*\tB\tDock\t10.0.0.3\thttp://10.0.0.2:8080\n",
        printer.Changes({b}));
}

TEST(SetNetworkOptions, KeepTheCameraValuesNotGivenAndPassTheDialogChecks) {
    const CameraRecord camera = Camera("CAM1", "Gate", "10.0.0.5", 1);
    SetNetworkOptions options;
    options.ip = "10.0.0.50";
    CameraRecord asked = camera;
    EXPECT_EQ(0, ApplyNetworkForm(FormFor(camera, ChangesOf(options), "pw"), asked).messageId);
    EXPECT_EQ(inet_addr("10.0.0.50"), asked.ip);
    EXPECT_EQ(camera.mask, asked.mask);
    EXPECT_EQ(camera.gateway, asked.gateway);
    EXPECT_EQ(camera.httpPort, asked.httpPort);
    EXPECT_EQ("pw", FieldText(asked.password));
    EXPECT_TRUE(ShowsSettings(asked, asked, false));
    EXPECT_FALSE(ShowsSettings(camera, asked, false)) << "the old address is not the new one";
    EXPECT_TRUE(ShowsSettings(camera, asked, true)) << "under DHCP the camera picks";

    // The dialog's messages, in its order: the port before the addresses.
    const struct {
        const char* port;
        const char* mask;
        const char* gateway;
        int message;
    } rows[] = {
        {"10000", "255.0.255.0", nullptr, IDS_HTTP_PORT_INVALID},
        {nullptr, "255.0.255.0", "10.9.9.9", IDS_SUBNET_MASK_INVALID},
        {nullptr, nullptr, "10.9.9.9", IDS_GATEWAY_INVALID},
    };
    for (const auto& row : rows) {
        SetNetworkOptions bad = options;
        if (row.port)
            bad.port = row.port;
        if (row.mask)
            bad.mask = row.mask;
        if (row.gateway)
            bad.gateway = row.gateway;
        CameraRecord untouched = camera;
        EXPECT_EQ(row.message,
                  ApplyNetworkForm(FormFor(camera, ChangesOf(bad), "pw"), untouched).messageId);
        EXPECT_EQ(0, std::memcmp(&camera, &untouched, sizeof camera));
    }
    SetNetworkOptions dhcp;
    dhcp.dhcp = true;
    CameraRecord cleared = camera;
    EXPECT_EQ(0, ApplyNetworkForm(FormFor(camera, ChangesOf(dhcp), "pw"), cleared).messageId);
    EXPECT_EQ(0u, cleared.ip | cleared.mask | cleared.gateway | cleared.dns);
}

TEST(PlanReport, TheTableTheReportAndTheDryRunSayTheSame) {
    std::vector<PlanChange> changes;
    for (const char* id : {"A", "B", "C"}) {
        PlanChange change{2, Camera(id, "Gate, north", "192.168.1.10", 1),
                          Camera(id, "Gate, north", "10.0.0.5", 1), false};
        changes.push_back(change);
    }
    changes[1].after.ip = inet_addr("10.0.0.6");
    changes[2].dhcp = true;
    EXPECT_EQ(
        "ID  NAME         ADDRESS       MASK           NEW ADDRESS  NEW MASK\n"
        "A   Gate, north  192.168.1.10  255.255.255.0  10.0.0.5     255.255.255.0\n"
        "B   Gate, north  192.168.1.10  255.255.255.0  10.0.0.6     255.255.255.0\n"
        "C   Gate, north  192.168.1.10  255.255.255.0  DHCP\n",
        PlanChangesText(changes))
        << "no spaces after the last cell";

    CPlanRollout rollout(changes);
    rollout.Answered(changes[0].after);
    rollout.Answered(changes[1].before);
    rollout.Refused(1);
    rollout.Finish();
    const std::string table = PlanResultText(rollout);
    EXPECT_NE(std::string::npos, table.find("\nA   Gate, north  192.168.1.10  10.0.0.5     "
                                            "255.255.255.0  changed\n"));
    EXPECT_NE(std::string::npos, table.find("\nB   Gate, north  192.168.1.10  10.0.0.6     "
                                            "255.255.255.0  password refused\n"));
    EXPECT_NE(std::string::npos,
              table.find("\n1 changed, 1 refused the password, 1 not answering\n"))
        << table;

    CPlanRollout unsure(changes);
    unsure.Answered(changes[0].before);
    unsure.Answered(changes[1].before);
    unsure.Answered(changes[2].before);
    unsure.Refused(1);
    unsure.Finish();
    EXPECT_NE(std::string::npos,
              PlanResultText(unsure).find(
                  "\n1 changed, 2 still on their old settings; 1 of them refused the password\n"))
        << PlanResultText(unsure);

    const auto json = nlohmann::json::parse(PlanReport(rollout, "site.json"));
    EXPECT_EQ(1, json.at("password_refusals"));
    const auto& a = json.at("cameras").at(0);
    EXPECT_EQ("changed", a.at("result"));
    EXPECT_EQ(2, a.at("line"));
    EXPECT_EQ("192.168.1.10", a.at("before").at("ip"));
    EXPECT_EQ("10.0.0.5", a.at("asked").at("ip"));
    EXPECT_EQ(false, a.at("asked").at("dhcp"));
    EXPECT_EQ("10.0.0.5", a.at("now").at("ip"));
    const auto& c = json.at("cameras").at(2);
    EXPECT_TRUE(c.at("now").is_null()) << "it did not answer";
    EXPECT_EQ((nlohmann::json{{"dhcp", true}}), c.at("asked"));
    EXPECT_EQ("not answering", c.at("result"));

    const std::string csv = PlanReport(rollout, "SITE.CSV");
    EXPECT_EQ(0u, csv.find("id,name,line,ip,mask,gateway,dns,dhcp,new_ip,new_mask,new_gateway,"
                           "new_dns,now_ip,now_mask,result\n"
                           "A,\"Gate, north\",2,192.168.1.10,255.255.255.0,10.0.0.1,10.0.0.2,no,"
                           "10.0.0.5,255.255.255.0,10.0.0.1,10.0.0.2,10.0.0.5,255.255.255.0,"
                           "changed\n"))
        << csv;
    EXPECT_NE(std::string::npos, csv.find("\nC,\"Gate, north\",2,192.168.1.10,255.255.255.0,"
                                          "10.0.0.1,10.0.0.2,yes,,,,,,,not answering\n"))
        << csv;
}

TEST(UpgradeImage, TheKindComesFromTheMarkAndAFileWithNeitherIsRefused) {
    std::string error;
    EXPECT_EQ(ImageKind::System, KindOfImage(Temporary("system.bin", "BNEG and more"), error));
    EXPECT_EQ(ImageKind::Application,
              KindOfImage(Temporary("app.bin", "12345678UPGRADE APP_WARE FILE..."), error));
    EXPECT_FALSE(KindOfImage(Temporary("other.bin", "GNEB"), error));
    EXPECT_NE(std::string::npos, error.find("neither the system mark"));
    EXPECT_FALSE(KindOfImage(::testing::TempDir() + "no-such-image.bin", error));
    EXPECT_EQ(0u, error.find(LoadText(IDS_FILE_OPEN_FAILED)));
    const std::string folder = ::testing::TempDir() + "image-folder";
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(KindOfImage(folder, error));
    EXPECT_EQ(std::string(LoadText(IDS_FILE_OPEN_FAILED)) + " (" + folder + ": it is a folder)",
              error)
        << "told apart from a file with neither mark";
    std::filesystem::remove(folder);
}

// Sets the variable, or removes it for nullptr.
void SetPasswordVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("VANTREL_PASSWORD", value != nullptr ? value : "");
#else
    value != nullptr ? setenv("VANTREL_PASSWORD", value, 1) : unsetenv("VANTREL_PASSWORD");
#endif
}

TEST(PasswordSource, AFileComesFirstThenTheEnvironment) {
    SetPasswordVariable("from-env");
    std::string error;
    EXPECT_EQ("first", CPasswordSource(Temporary("pw", "first\r\nsecond\n")).Read("", error));
    EXPECT_EQ("", CPasswordSource(Temporary("empty-pw", "")).Read("", error))
        << "an empty file is an empty password";
    EXPECT_EQ("from-env", CPasswordSource("").Read("", error));
    EXPECT_FALSE(CPasswordSource(::testing::TempDir() + "no-such-file").Read("", error));
    EXPECT_NE(std::string::npos, error.find("no-such-file"));
    EXPECT_FALSE(CPasswordSource(::testing::TempDir()).Read("", error));
    EXPECT_EQ("cannot read the password file " + ::testing::TempDir() + ": it is a folder", error);
    SetPasswordVariable(nullptr);
}

UploadJob Job(const char* id, const char* name) {
    UploadJob job;
    StoreFieldText(job.camera.id, id);
    StoreFieldText(job.camera.alias, name);
    return job;
}

TEST(ProgressBoard, PlainLinesTellEachStepAndQuarterAndTheSummaryEachResult) {
    std::ostringstream out;
    std::vector<UploadJob> jobs = {Job("CAM1", "Gate"), Job("CAM2", "Dock"), Job("CAM3", "Yard")};
    CProgressBoard board(jobs, 0, out);
    jobs[0].state = UploadJob::State::Uploading;
    jobs[0].percent = 30;
    jobs[1].state = UploadJob::State::Connecting;
    board.Draw(jobs);
    jobs[0].percent = 60;
    jobs[1].state = UploadJob::State::Failed;
    jobs[1].messageId = IDS_INCORRECT_PASSWORD;
    board.Draw(jobs);
    jobs[0].state = UploadJob::State::Delivered;
    board.Draw(jobs);
    board.Draw(jobs);
    EXPECT_EQ(
        "CAM1: uploading\nCAM2: connecting\nCAM1: 50%\nCAM2: failed: incorrect password !\n"
        "CAM1: delivered\n",
        out.str());
    jobs[0].seconds = 35;
    jobs[0].state = UploadJob::State::Back;
    jobs[0].restart = "back after 48 s with application firmware 2.1.0.4 (was 0.0.0.0)";
    EXPECT_EQ(
        "ID    NAME  TOOK    RESULT\n"
        "CAM1  Gate  35 s    upgraded: back after 48 s with application firmware 2.1.0.4 (was "
        "0.0.0.0)\n"
        "CAM2  Dock          failed: incorrect password !\n"
        "CAM3  Yard          not started\n",
        board.Summary(jobs));
}

TEST(ProgressBoard, ATerminalRedrawsEveryBarInPlaceWithinItsWidth) {
    std::ostringstream out;
    std::vector<UploadJob> jobs = {Job("CAM1",
                                       "Stra\xc3\x9f"
                                       "e"),
                                   Job("CAM2", "Dock")};
    CProgressBoard board(jobs, 40, out);
    jobs[0].state = UploadJob::State::Uploading;
    jobs[0].percent = 50;
    board.Draw(jobs);
    board.Draw(jobs);
    // 39 characters each: the bar gives up room so that the state shows whole.
    const std::string first =
        "\r\x1b[KCAM1  Stra\xc3\x9f"
        "e  [###    ]  50%  uploading\n";
    const std::string second = "\r\x1b[KCAM2  Dock    [         ]   0%  waiting\n";
    EXPECT_EQ(first + second + "\x1b[2A" + first + second, out.str())
        << "the second draw climbs back over both lines";
}

TEST(ProgressBoard, TheStateIsNeverCutTheBarGoesFirstAndFailuresSayWhatHappened) {
    std::ostringstream out;
    std::vector<UploadJob> jobs = {Job("CAM000001", "Loading bay north")};
    CProgressBoard board(jobs, 50, out);
    jobs[0].percent = 100;
    jobs[0].state = UploadJob::State::Unconfirmed;
    board.Draw(jobs);
    EXPECT_EQ("\r\x1b[KCAM000001  Loading bay  100%  sent, not confirmed\n", out.str())
        << "no room for a bar, then less for the name: the line keeps its state";
    jobs[0].state = UploadJob::State::Failed;
    jobs[0].messageId = IDS_SOCKET_ERROR;
    jobs[0].reason = "the camera closed the connection after 1 024 of 4 194 304 bytes";
    EXPECT_EQ(
        "ID         NAME               TOOK    RESULT\n"
        "CAM000001  Loading bay north          failed: socket error ! (the camera closed the "
        "connection after 1 024 of 4 194 304 bytes)\n",
        board.Summary(jobs));
}

}  // namespace
}  // namespace vantrel::cli
