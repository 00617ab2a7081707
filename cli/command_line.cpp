// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <map>

#include "cli/exit_codes.h"

namespace vantrel::cli {

namespace {

constexpr char MAIN_FOOTER[] = R"(
Passwords are never taken from the command line: --password-file FILE, then
the VANTREL_PASSWORD environment variable, then a prompt without echo.

Exit status: 0 done, 1 a camera refused or failed, 2 usage, 3 network or
socket (port 10000 taken), 4 wrong password, 5 camera not found, 6 a camera
not back in time after its upgrade, 130 Ctrl+C, 143 SIGTERM.

Examples:
  vantrel-cli list
  vantrel-cli list --format json --rounds 3
  vantrel-cli list --watch
  vantrel-cli set-network CAM000001 --ip 192.168.1.50 --mask 255.255.255.0 --gateway 192.168.1.1
  vantrel-cli set-network CAM000001 --dhcp --password-file ~/.camera-password
  vantrel-cli set-network --plan site.csv --report site-result.csv
  vantrel-cli set-network --foreign --ip-from 192.168.10.101 --gateway 192.168.10.1
  vantrel-cli upgrade CAM000001 CAM000002 --image app.bin --jobs 2
  vantrel-cli upgrade --all --image app.bin --jobs 8

See vantrel-cli(1) for the output formats.)";

void AddRounds(CLI::App& command, std::optional<std::uint64_t>& rounds) {
    command
        .add_option("--rounds", rounds,
                    "Wait for exactly N searches, 3 s each, instead of until the answers settle")
        ->check(CLI::Range(1, 100));
}

void AddPasswordFile(CLI::App& command, std::string& path) {
    command.add_option("--password-file", path,
                       "Read the camera password from the first line of FILE");
}

void AddList(CLI::App& app, ListOptions& list) {
    CLI::App& command = *app.add_subcommand("list", "List the cameras that answer a search");
    AddRounds(command, list.rounds);
    const std::map<std::string, ListFormat> formats = {
        {"table", ListFormat::Table}, {"json", ListFormat::Json}, {"csv", ListFormat::Csv}};
    command.add_option("--format", list.format, "Output: table, json or csv")
        ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case))
        ->default_str("table");
    command.add_flag("--watch", list.watch,
                     "Keep a live list, as the window does, until Ctrl+C (table or json)");
    command.footer("Example: vantrel-cli list --format csv > cameras.csv");
}

void AddSetNetwork(CLI::App& app, SetNetworkOptions& options,
                   std::map<std::string, CLI::Option*>& given) {
    CLI::App& command = *app.add_subcommand(
        "set-network",
        "Change cameras' network settings, by the same rules as the window's Network Settings");
    given["ID"] = command.add_option("ID", options.ids,
                                     "The camera's id, as list shows it (several with --ip-from)");
    const auto address = [&](const char* name, const char* help) {
        given[name] = command.add_option(name)->description(help)->type_name("ADDRESS");
    };
    address("--ip", "New IP address");
    address("--mask", "New subnet mask");
    address("--gateway", "New gateway");
    address("--dns", "New DNS server");
    given["--port"] = command.add_option("--port")
                          ->description("HTTP port (checked; cameras keep their own)")
                          ->type_name("PORT");
    CLI::Option* dhcp = command.add_flag("--dhcp", options.dhcp, "Let the camera use DHCP");
    given["--ip-from"] =
        command.add_option("--ip-from")
            ->description("Consecutive addresses from ADDRESS for the cameras, in the order given")
            ->type_name("ADDRESS");
    CLI::Option* all =
        command.add_flag("--all", options.all, "With --ip-from: every camera that answers, by id");
    CLI::Option* foreign = command.add_flag(
        "--foreign", options.foreign,
        "With --ip-from: every camera on another subnet than this computer's, by id");
    CLI::Option* plan =
        command.add_option("--plan", options.plan, "Set up the cameras of a CSV plan file")
            ->type_name("FILE");
    command.add_flag("--dry-run", options.dryRun,
                     "With --plan or --ip-from: check and show the changes, send nothing");
    command
        .add_option("--report", options.report,
                    "With --plan or --ip-from: write what became of each camera to FILE "
                    "(CSV for .csv, JSON otherwise)")
        ->type_name("FILE");
    for (const char* name : {"--ip", "--mask", "--gateway", "--dns"}) {
        dhcp->excludes(given[name]);
    }
    for (const char* name : {"ID", "--ip", "--mask", "--gateway", "--dns", "--port", "--ip-from"}) {
        plan->excludes(given[name]);
    }
    plan->excludes(dhcp)->excludes(all)->excludes(foreign);
    given["--ip-from"]->excludes(given["--ip"])->excludes(given["--port"])->excludes(dhcp);
    all->needs(given["--ip-from"])->excludes(given["ID"])->excludes(foreign);
    foreign->needs(given["--ip-from"])->excludes(given["ID"]);
    AddRounds(command, options.rounds);
    AddPasswordFile(command, options.passwordFile);
    command.footer(
        "Examples:\n"
        "  vantrel-cli set-network CAM000001 --ip 10.0.0.50 --gateway 10.0.0.1\n"
        "  vantrel-cli set-network --plan site.csv --dry-run\n"
        "  vantrel-cli set-network --all --ip-from 10.0.0.101 --mask 255.255.255.0 "
        "--gateway 10.0.0.1\n"
        "A plan is CSV with a header row: id,ip,mask,gateway,dns and/or dhcp (yes for\n"
        "DHCP); an empty cell keeps the camera's value.");
}

// What CLI11's own rules cannot say about set-network.
void CheckSetNetwork(const SetNetworkOptions& options) {
    const bool many = !options.plan.empty() || options.ipFrom;
    if (options.ipFrom && options.ids.empty() && !options.all && !options.foreign) {
        throw CLI::ValidationError("--ip-from",
                                   "name the cameras by id, or give --all or --foreign");
    }
    if (!many && options.ids.size() != 1) {
        throw CLI::ValidationError("set-network",
                                   "name one camera by id, or give --plan or --ip-from for many");
    }
    if (!many && (options.dryRun || !options.report.empty())) {
        throw CLI::ValidationError("--dry-run/--report", "go with --plan or --ip-from");
    }
}

void AddUpgrade(CLI::App& app, UpgradeOptions& options) {
    CLI::App& command =
        *app.add_subcommand("upgrade", "Upload a system or application firmware image");
    CLI::Option* ids = command.add_option("ID", options.ids, "The cameras' ids");
    command
        .add_flag("--all", options.all,
                  "Every camera whose line offers an upgrade (no application firmware yet)")
        ->excludes(ids);
    command.add_option("--image", options.image, "The image file (.bin)")->required();
    command.add_option("--jobs", options.jobs, "Cameras upgraded at once")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    AddRounds(command, options.rounds);
    AddPasswordFile(command, options.passwordFile);
    command.add_option("--report", options.report,
                       "Write what happened to each camera to this JSON file, whatever becomes "
                       "of the terminal");
    command.add_flag("!--no-wait", options.wait,
                     "Do not wait for each camera to restart and come back");
    command
        .add_option("--wait-timeout", options.waitSeconds,
                    "Seconds a camera may take to restart and come back")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();
    command.footer("Example: vantrel-cli upgrade --all --image app.bin --jobs 8");
}

std::optional<std::string> Given(CLI::Option* option) {
    if (option->count() == 0) {
        return std::nullopt;
    }
    return option->as<std::string>();
}

}  // namespace

std::optional<Command> ParseCommandLine(int argc, const char* const* argv, int& code) {
    CLI::App app("Find and set up the network cameras on your LAN from a terminal.", "vantrel-cli");
    app.set_version_flag("--version", "vantrel-cli " VANTREL_VERSION);
    app.require_subcommand(1);
    app.footer(MAIN_FOOTER);
    Command command;
    std::map<std::string, CLI::Option*> given;
    AddList(app, command.list);
    AddSetNetwork(app, command.setNetwork, given);
    AddUpgrade(app, command.upgrade);
    try {
        app.parse(argc, argv);
        if (app.got_subcommand("upgrade") && command.upgrade.ids.empty() && !command.upgrade.all) {
            throw CLI::ValidationError("upgrade", "name the cameras by id, or give --all");
        }
        if (app.got_subcommand("set-network")) {
            command.setNetwork.ipFrom = Given(given["--ip-from"]);
            CheckSetNetwork(command.setNetwork);
        }
        if (app.got_subcommand("list") && command.list.watch &&
            command.list.format == ListFormat::Csv) {
            throw CLI::ValidationError("--watch", "takes --format table or json");
        }
    } catch (const CLI::ParseError& error) {
        code = app.exit(error) == 0 ? EXIT_OK : EXIT_USAGE;
        return std::nullopt;
    }
    if (app.got_subcommand("set-network")) {
        command.kind = Command::Kind::SetNetwork;
        SetNetworkOptions& options = command.setNetwork;
        options.ip = Given(given["--ip"]);
        options.mask = Given(given["--mask"]);
        options.gateway = Given(given["--gateway"]);
        options.dns = Given(given["--dns"]);
        options.port = Given(given["--port"]);
    } else if (app.got_subcommand("upgrade")) {
        command.kind = Command::Kind::Upgrade;
    }
    return command;
}

}  // namespace vantrel::cli
