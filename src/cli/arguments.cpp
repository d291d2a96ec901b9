#include "cli/arguments.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <iterator>

#include "app/tool.h"

namespace zt::cli {

namespace {

constexpr const char* kUdevHelp = R"(Devices that are attached but closed to you (Linux)

The tool talks to the devices through /dev/hidraw*, which belong to root unless udev rules say
otherwise. Install the rules file 70-zentari-tool.rules (the package does; after a source install
copy it into /etc/udev/rules.d/), then run
  sudo udevadm control --reload-rules && sudo udevadm trigger
and replug the device.

The rules give the device to the user logged in at the machine itself. Over SSH, or on a machine
without a desktop, nobody is logged in there: join the plugdev group instead,
  sudo usermod -aG plugdev "$USER"
then log in again and replug the device. The README says more.
)";

void addDeviceOptions(CLI::App& command, Options& options) {
    command.add_option("--device", options.device,
                       "The kind to use (any case), when more than one kind is attached");
    command.add_option("--wait", options.waitSeconds, "Wait up to SECONDS for the kind to appear")
        ->check(CLI::NonNegativeNumber);
}

}  // namespace

Parsed parseArguments(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) {
    // The hint of a closed device may be read as an option.
    if (arguments == std::vector<std::string>{"--help", "udev"}) {
        out << kUdevHelp;
        return {};
    }
    Options options;
    std::string bank;
    CLI::App app{"Updates the firmware of Zentari devices, saves their preset banks and loads "
                 "presets and wavetables, from a terminal.",
                 "zentari"};
    app.set_version_flag("--version", std::string("zentari ") + kVersionText);
    app.require_subcommand(1);

    CLI::App* list =
        app.add_subcommand("list", "List the attached kinds and whether they are ready");
    list->add_flag("--json", options.json, "One JSON array, for scripts");
    list->add_option("--wait", options.waitSeconds, "Wait up to SECONDS for a kind to appear")
        ->check(CLI::NonNegativeNumber);

    struct FileCommand {
        Command command;
        const char* name;
        const char* description;
    };
    const FileCommand fileCommands[] = {
        {Command::Update, "update", "Write a firmware file (Intel HEX) into the device"},
        {Command::Save, "save", "Save a preset bank of the device into FILE"},
        {Command::Load, "load", "Load a presets file into the device"},
        {Command::Wavetables, "wavetables", "Load a wavetables file into the device"},
    };
    CLI::App* commands[std::size(fileCommands)];
    for (std::size_t i = 0; i < std::size(fileCommands); ++i) {
        const FileCommand& c = fileCommands[i];
        CLI::App* command = app.add_subcommand(c.name, c.description);
        commands[i] = command;
        command->add_option("FILE", options.file, "The file")->required();
        addDeviceOptions(*command, options);
        if (c.command == Command::Save || c.command == Command::Load) {
            command->add_option("--bank", bank, "A or B, for kinds with two banks (default A)")
                ->check(CLI::IsMember({"A", "B"}, CLI::ignore_case));
        }
        if (c.command == Command::Save) {
            command->add_flag("--force", options.force, "Replace FILE when it exists");
        }
    }
    std::string topic;
    CLI::App* help = app.add_subcommand("help", "Show the help of COMMAND (or of udev access)");
    help->add_option("COMMAND", topic, "list, update, save, load, wavetables or udev");

    const auto command = [&app](const std::string& name) -> CLI::App* {
        for (CLI::App* candidate : app.get_subcommands({})) {
            if (candidate->get_name() == name) return candidate;
        }
        return nullptr;
    };
    // CLI11 would report an unknown command as a missing one.
    if (!arguments.empty() && !arguments[0].starts_with('-') && command(arguments[0]) == nullptr) {
        err << "zentari: there is no command '" << arguments[0] << "' (see zentari --help)\n";
        return {std::nullopt, kExitUsage};
    }

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return {std::nullopt, status == 0 ? kExitSuccess : kExitUsage};
    }
    if (help->parsed()) {
        if (topic.empty()) {
            out << app.help();
            return {};
        }
        if (topic == "udev") {
            out << kUdevHelp;
            return {};
        }
        if (CLI::App* subject = command(topic)) {
            out << subject->help();
            return {};
        }
        err << "zentari: no help on '" << topic << "'\n";
        return {std::nullopt, kExitUsage};
    }
    if (!bank.empty()) {
        options.bank = static_cast<char>(std::toupper(static_cast<unsigned char>(bank[0])));
    }
    for (std::size_t i = 0; i < std::size(fileCommands); ++i) {
        if (commands[i]->parsed()) options.command = fileCommands[i].command;
    }
    return {options, kExitSuccess};
}

}  // namespace zt::cli
