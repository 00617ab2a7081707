// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "cameras/plan_check.h"
#include "cameras/plan_file.h"
#include "cameras/plan_rollout.h"
#include "protocol/address_text.h"
#include "protocol/socket.h"
#include "protocol/text_field.h"
#include "res/string_table.h"

namespace vantrel {
namespace {

// A new camera on its factory address.
CameraRecord Camera(const char* id, const char* ip = "192.168.1.10") {
    CameraRecord camera{};
    StoreFieldText(camera.id, id);
    camera.ip = inet_addr(ip);
    camera.mask = inet_addr("255.255.255.0");
    camera.gateway = camera.dns = inet_addr("192.168.1.1");
    camera.httpPort = htons(80);
    return camera;
}

// Each problem as "line id: text", in order.
std::vector<std::string> Told(const std::vector<PlanProblem>& problems) {
    std::vector<std::string> told;
    for (const PlanProblem& problem : problems) {
        told.push_back(std::to_string(problem.line) + " " + problem.id + ": " + problem.text);
    }
    return told;
}

TEST(PlanFile, ReadsWhatASpreadsheetSaves) {
    // A byte-order mark, CRLF, quoted cells (one with a comma), columns in
    // any order and case, a blank line, a short last row without a line end.
    const SitePlan plan = ReadPlan(
        "\xef\xbb\xbf"
        "IP,id,Mask,gateway,dns,dhcp\r\n"
        "10.0.0.11,\"CAM1\",255.255.255.0,10.0.0.1,,\r\n"
        "\r\n"
        "\"10.0.0.12\",\"CAM \"\"2\"\", hall\",,,,no\r\n"
        ",CAM3,,,,YES\r\n"
        " 10.0.0.14 ,CAM4",
        "site.csv");
    EXPECT_EQ(std::vector<std::string>{}, Told(plan.problems));
    ASSERT_EQ(4u, plan.rows.size());
    EXPECT_EQ("CAM1", plan.rows[0].id);
    EXPECT_EQ("10.0.0.11", plan.rows[0].ip);
    EXPECT_EQ("255.255.255.0", plan.rows[0].mask);
    EXPECT_EQ("10.0.0.1", plan.rows[0].gateway);
    EXPECT_EQ("", plan.rows[0].dns) << "an empty cell keeps the camera's value";
    EXPECT_EQ(2u, plan.rows[0].line);
    EXPECT_EQ("CAM \"2\", hall", plan.rows[1].id);
    EXPECT_EQ(4u, plan.rows[1].line) << "lines count as the file has them";
    EXPECT_FALSE(plan.rows[1].dhcp);
    EXPECT_TRUE(plan.rows[2].dhcp);
    EXPECT_EQ("10.0.0.14", plan.rows[3].ip) << "spaces around a cell go";
}

TEST(PlanFile, TellsEveryProblemWithItsLine) {
    const SitePlan header = ReadPlan("id,ip,name,ip\nCAM1,10.0.0.1,Gate,10.0.0.1\n", "p");
    EXPECT_EQ((std::vector<std::string>{
                  "1 : unknown column \"name\"; a plan's columns are id, ip, mask, gateway, dns "
                  "and dhcp",
                  "1 : the column ip is named twice"}),
              Told(header.problems));
    EXPECT_TRUE(header.rows.empty()) << "which ip is meant cannot be known";
    const SitePlan unknown = ReadPlan("id,name,ip\nCAM1,Gate,10.0.0.1\n,Dock,10.0.0.2\n", "p");
    EXPECT_EQ((std::vector<std::string>{
                  "1 : unknown column \"name\"; a plan's columns are id, ip, mask, gateway, dns "
                  "and dhcp",
                  "3 : gives no camera id"}),
              Told(unknown.problems))
        << "the rows are read past an unknown column, so their problems are told too";
    ASSERT_EQ(1u, unknown.rows.size());
    EXPECT_EQ("10.0.0.1", unknown.rows[0].ip);
    EXPECT_EQ(std::vector<std::string>{"1 : the header names no id column"},
              Told(ReadPlan("ip,mask\n1.2.3.4,255.0.0.0\n", "p").problems));
    EXPECT_EQ(std::vector<std::string>{"1 : the header names nothing to change: ip, mask, "
                                       "gateway, dns or dhcp"},
              Told(ReadPlan("id\nCAM1\n", "p").problems));
    EXPECT_EQ(1u, ReadPlan("", "p").problems.size());
    EXPECT_EQ(std::vector<std::string>{"0 : the plan names no camera"},
              Told(ReadPlan("id,ip\r\n", "p").problems));

    const SitePlan rows = ReadPlan(
        "id,ip,dhcp\n"
        "CAM1,10.0.0.1,maybe\n"
        ",10.0.0.2,\n"
        "CAM3,10.0.0.3,yes\n"
        "CAM4,,\n"
        "CAM5,10.0.0.5,,extra\n"
        "\"CAM6,10.0.0.6\n"
        "CAM7,10.0.0.7\n",
        "p");
    EXPECT_EQ((std::vector<std::string>{
                  "2 CAM1: dhcp is \"maybe\"; write yes, no or nothing",
                  "3 : gives no camera id",
                  "4 CAM3: asks for DHCP and gives addresses too",
                  "5 CAM4: gives nothing to change",
                  "6 : has 4 cells where the header has 3",
                  "7 : a quoted cell is not closed",
              }),
              Told(rows.problems));
    ASSERT_EQ(1u, rows.rows.size()) << "the good rows are still read";
    EXPECT_EQ("CAM7", rows.rows[0].id);

    const SitePlan missing = ReadPlanFile(::testing::TempDir() + "no-such-plan.csv");
    ASSERT_EQ(1u, missing.problems.size());
    EXPECT_EQ(0u, missing.problems[0].text.find("cannot read "));
    const std::string emptyPath = ::testing::TempDir() + "empty-plan.csv";
    std::ofstream{emptyPath};
    const SitePlan empty = ReadPlanFile(emptyPath);
    std::remove(emptyPath.c_str());
    ASSERT_EQ(1u, empty.problems.size());
    EXPECT_EQ(0u, empty.problems[0].text.find("the plan is empty")) << empty.problems[0].text;
}

TEST(PlanFile, TellsAFileThatIsNoPlanInAFewLines) {
    const SitePlan nul =
        ReadPlan(std::string("id,ip\nCAM1,10.0.0.1\0junk\nCAM2,10.0.0.2\n", 36), "p");
    EXPECT_EQ(std::vector<std::string>{"2 : holds a NUL byte at column 14; a plan is text"},
              Told(nul.problems))
        << "not a row cut short at the NUL";
    ASSERT_EQ(1u, nul.rows.size());
    EXPECT_EQ("CAM2", nul.rows[0].id);
    EXPECT_EQ(
        std::vector<std::string>{"1 : holds the control byte 0x1b at column 3; a plan is text"},
        Told(ReadPlan("id\x1b,ip\nCAM1,10.0.0.1\n", "p").problems))
        << "a header that is no text leaves no row to read";

    const std::string hint =
        "0 : p is saved as UTF-16 (\"Unicode text\"); save it from the spreadsheet as "
        "\"CSV UTF-8\" and try again";
    using namespace std::string_literals;
    for (const std::string& unicode :
         {"\xff\xfei\0d\0,\0i\0p\0\n\0"s, "\xfe\xff\0i\0d\0,\0i\0p\0\n"s, "i\0d\0,\0i\0p\0\n\0"s,
          "\0i\0d\0,\0i\0p\0\n"s}) {
        EXPECT_EQ(std::vector<std::string>{hint}, Told(ReadPlan(unicode, "p").problems));
    }

    // A firmware image given as a plan: a few lines, then the reading stops.
    std::string binary = "BNEG\x01\x02";
    for (int line = 0; line < 5000; ++line) {
        binary += std::string("\0\x7f\x10,\xff\n", 6);
    }
    const SitePlan junk = ReadPlan(binary, "app.bin");
    EXPECT_EQ((std::vector<std::string>{
                  "1 : holds the control byte 0x01 at column 5; a plan is text",
                  "2 : holds a NUL byte at column 1; a plan is text",
                  "3 : holds a NUL byte at column 1; a plan is text",
                  "4 : stopped here: more lines that are not text; app.bin is no CSV plan"}),
              Told(junk.problems));
    EXPECT_TRUE(junk.rows.empty());

    const SitePlan folder = ReadPlanFile(::testing::TempDir());
    EXPECT_EQ(
        std::vector<std::string>{"0 : cannot read " + ::testing::TempDir() + ": it is a folder"},
        Told(folder.problems));
}

TEST(PlanCheck, ReadsAddressesAsPeopleWriteThem) {
    const std::vector<CameraRecord> answering = {Camera("CAM1"), Camera("CAM2"), Camera("CAM3"),
                                                 Camera("CAM4"), Camera("CAM5")};
    const SitePlan padded = ReadPlan(
        "id,ip,mask,gateway,dns\nCAM1,010.071.001.010,255.255.255.000,10.71.1.001,"
        "008.008.008.008\n",
        "p");
    const CheckedPlan checked = CheckPlan(padded.rows, answering, {});
    EXPECT_EQ(std::vector<std::string>{}, Told(checked.problems));
    ASSERT_EQ(1u, checked.changes.size());
    EXPECT_EQ("10.71.1.10", DottedQuad(checked.changes[0].after.ip)) << "decimal, not octal";
    EXPECT_EQ("10.71.1.1", DottedQuad(checked.changes[0].after.gateway));
    EXPECT_EQ("8.8.8.8", DottedQuad(checked.changes[0].after.dns));

    // The C library's other forms are no addresses: each field's own message.
    const SitePlan other = ReadPlan(
        "id,ip,mask,gateway,dns\n"
        "CAM1,10.71.1.0x1f,,,\n"
        "CAM2,192.168.1.11,255.255.0xff.0,,\n"
        "CAM3,192.168.1.12,,192.168.1,\n"
        "CAM4,192.168.1.13,,,3232235777\n"
        "CAM5,192.168.1.14, 255.255.255.0 ,,\n",
        "p");
    EXPECT_EQ((std::vector<std::string>{"2 CAM1: " + std::string(LoadText(IDS_IP_ADDRESS_INVALID)),
                                        "3 CAM2: " + std::string(LoadText(IDS_SUBNET_MASK_INVALID)),
                                        "4 CAM3: " + std::string(LoadText(IDS_GATEWAY_INVALID)),
                                        "5 CAM4: " + std::string(LoadText(IDS_DNS_INVALID))}),
              Told(CheckPlan(other.rows, answering, {}).problems));

    const SitePlan range = RangePlan({"CAM1", "CAM2"}, "192.168.001.099", "", "", "");
    ASSERT_EQ(2u, range.rows.size());
    EXPECT_EQ("192.168.1.100", range.rows[1].ip);
    EXPECT_EQ(std::vector<std::string>{"0 : " + std::string(LoadText(IDS_IP_ADDRESS_INVALID)) +
                                       " (192.168.1)"},
              Told(RangePlan({"CAM1"}, "192.168.1", "", "", "").problems));
}

TEST(PlanFile, ARangeGivesConsecutiveAddressesInTheOrderGiven) {
    const SitePlan plan = RangePlan({"B", "A", "C"}, "10.0.0.254", "255.255.0.0", "10.0.0.1", "");
    EXPECT_TRUE(plan.problems.empty());
    ASSERT_EQ(3u, plan.rows.size());
    EXPECT_EQ("B", plan.rows[0].id);
    EXPECT_EQ("10.0.0.254", plan.rows[0].ip);
    EXPECT_EQ("10.0.1.0", plan.rows[2].ip) << "a range crosses a byte";
    EXPECT_EQ("255.255.0.0", plan.rows[2].mask);
    EXPECT_EQ("", plan.rows[2].dns);
    EXPECT_EQ(0u, plan.rows[2].line);

    EXPECT_EQ(1u, RangePlan({"A", "B"}, "255.255.255.255", "", "", "").problems.size())
        << "no wrapping past the last address";

    const SitePlan skipping = RangePlan({"A", "B", "C"}, "10.0.0.1", "", "", "",
                                        {inet_addr("10.0.0.2"), inet_addr("10.0.0.3")});
    ASSERT_EQ(3u, skipping.rows.size());
    EXPECT_EQ("10.0.0.1", skipping.rows[0].ip);
    EXPECT_EQ("10.0.0.4", skipping.rows[1].ip) << "held addresses are passed over";
    EXPECT_EQ("10.0.0.5", skipping.rows[2].ip);
    EXPECT_EQ(1u, RangePlan({"A"}, "255.255.255.255", "", "", "", {inet_addr("255.255.255.255")})
                      .problems.size())
        << "passing over the last address runs out of addresses";
}

TEST(PlanCheck, ChecksEachRowAsTheWindowDoesAndTheSiteAsAWhole) {
    // Ten new cameras on one factory address, one more already set up, and
    // this computer on 192.168.1.2.
    std::vector<CameraRecord> answering;
    for (int i = 0; i < 10; ++i) {
        answering.push_back(Camera(("CAM" + std::to_string(i)).c_str()));
    }
    answering.push_back(Camera("OLD", "192.168.1.50"));
    const std::vector<std::uint32_t> host = {inet_addr("192.168.1.2")};

    const SitePlan good =
        RangePlan({"CAM0", "CAM1", "CAM2", "CAM3", "CAM4", "CAM5", "CAM6", "CAM7", "CAM8", "CAM9"},
                  "192.168.1.101", "", "", "");
    const CheckedPlan checked = CheckPlan(good.rows, answering, host);
    EXPECT_EQ(std::vector<std::string>{}, Told(checked.problems));
    ASSERT_EQ(10u, checked.changes.size());
    EXPECT_EQ(inet_addr("192.168.1.110"), checked.changes[9].after.ip);
    EXPECT_EQ(inet_addr("192.168.1.10"), checked.changes[9].before.ip);
    EXPECT_EQ(answering[9].gateway, checked.changes[9].after.gateway) << "kept";
    EXPECT_EQ('\0', checked.changes[9].after.password[0]) << "the password comes later";

    const SitePlan bad = ReadPlan(
        "id,ip,mask,gateway,dhcp\n"
        "CAM0,192.168.1.101,,,\n"
        "CAM1,192.168.1.101,,,\n"  // given twice
        "CAM2,192.168.1.50,,,\n"   // OLD stays there
        "CAM3,192.168.1.2,,,\n"    // this computer's
        "CAM4,192.168.1.255,,,\n"  // the broadcast address
        "CAM5,192.168.1.105,255.0.255.0,,\n"
        "CAM6,192.168.1.106,,10.0.0.1,\n"
        "CAM0,192.168.1.107,,,\n"  // an id twice
        "GONE,192.168.1.108,,,\n"  // did not answer
        "CAM8,,,,yes\n"            // DHCP frees its address
        "CAM9,224.0.0.1,,,\n",
        "p");
    ASSERT_TRUE(bad.problems.empty());
    const CheckedPlan refused = CheckPlan(bad.rows, answering, host);
    EXPECT_EQ((std::vector<std::string>{
                  std::string("3 CAM1: 192.168.1.101 is also given to CAM0 (line 2)"),
                  std::string("4 CAM2: 192.168.1.50 is OLD's address, and the plan does not "
                              "move OLD"),
                  std::string("5 CAM3: 192.168.1.2 is this computer's own address"),
                  std::string("6 CAM4: 192.168.1.255 is the broadcast address of its subnet"),
                  "7 CAM5: " + std::string(LoadText(IDS_SUBNET_MASK_INVALID)),
                  "8 CAM6: " + std::string(LoadText(IDS_GATEWAY_INVALID)),
                  std::string("9 CAM0: is in the plan twice (line 2)"),
                  std::string("10 GONE: did not answer"),
                  "12 CAM9: " + std::string(LoadText(IDS_IP_ADDRESS_INVALID)),
                  std::string("0 : the cameras that answered: CAM0, CAM1, CAM2, CAM3, CAM4, "
                              "CAM5, CAM6, CAM7, CAM8, CAM9, OLD"),
              }),
              Told(refused.problems));
    EXPECT_TRUE(refused.changes.empty()) << "nothing to send when anything is wrong";

    // Cameras that swap addresses free them for each other; a camera may
    // keep its own address when no one else holds it.
    std::vector<CameraRecord> set = {Camera("A", "192.168.1.21"), Camera("B", "192.168.1.22")};
    const SitePlan swap =
        ReadPlan("id,ip,mask\nA,192.168.1.22,\nB,192.168.1.21,\nOLD,,255.255.0.0\n", "p");
    set.push_back(answering.back());
    EXPECT_EQ(std::vector<std::string>{}, Told(CheckPlan(swap.rows, set, host).problems));
    // Two factory cameras the plan leaves on their shared address clash.
    const SitePlan keep = ReadPlan("id,mask\nCAM0,255.255.0.0\n", "p");
    EXPECT_EQ(std::vector<std::string>{"2 CAM0: 192.168.1.10 is CAM1's address, and the plan "
                                       "does not move CAM1"},
              Told(CheckPlan(keep.rows, {answering[0], answering[1]}, host).problems));
}

TEST(PlanRollout, TellsChangedRefusedSilentAndUnchangedApart) {
    std::vector<PlanChange> changes;
    for (const char* id : {"A", "B", "C", "D"}) {
        PlanChange change{0, Camera(id), Camera(id), false};
        change.after.ip = inet_addr(("192.168.1." + std::to_string(100 + id[0])).c_str());
        changes.push_back(change);
    }
    changes[3].dhcp = true;
    changes[3].after.ip = changes[3].after.mask = changes[3].after.gateway = changes[3].after.dns =
        0;

    CPlanRollout rollout(changes);
    rollout.Answered(changes[0].after);   // A took its address
    rollout.Answered(changes[1].before);  // B answers as before
    rollout.Answered(changes[3].before);  // D is under DHCP: any reply will do
    rollout.Answered(Camera("STRANGER"));
    EXPECT_FALSE(rollout.Settled());
    EXPECT_EQ(CPlanRollout::Outcome::Changed, rollout.Cameras()[0].outcome);
    EXPECT_EQ(CPlanRollout::Outcome::Waiting, rollout.Cameras()[1].outcome);
    rollout.Refused(1);
    EXPECT_FALSE(rollout.Settled()) << "C has neither changed nor refused";
    rollout.Finish();
    using Outcome = CPlanRollout::Outcome;
    EXPECT_EQ(Outcome::Changed, rollout.Cameras()[0].outcome);
    EXPECT_EQ(Outcome::Refused, rollout.Cameras()[1].outcome) << "one refusal, one left as it was";
    EXPECT_EQ(Outcome::NotAnswering, rollout.Cameras()[2].outcome);
    EXPECT_EQ(Outcome::Changed, rollout.Cameras()[3].outcome);
    EXPECT_EQ(2u, rollout.Count(Outcome::Changed));

    // Fewer refusals than cameras left as they were: no one can say which.
    CPlanRollout unsure(changes);
    unsure.Answered(changes[0].before);
    unsure.Answered(changes[1].before);
    unsure.Refused(1);
    unsure.Finish();
    EXPECT_EQ(Outcome::Unchanged, unsure.Cameras()[0].outcome);
    EXPECT_EQ(Outcome::Unchanged, unsure.Cameras()[1].outcome);
    EXPECT_EQ(1u, unsure.Refusals());

    // As many refusals as cameras settle the plan at once, every one refused.
    CPlanRollout wrong(changes);
    wrong.Refused(4);
    EXPECT_TRUE(wrong.Settled());
    wrong.Finish();
    EXPECT_EQ(4u, wrong.Count(Outcome::Refused));
}

}  // namespace
}  // namespace vantrel
