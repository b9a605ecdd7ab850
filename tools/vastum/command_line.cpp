#include "command_line.h"

#include <new>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "audio/raw_pcm.h"
#include "command_error.h"
#include "engines/engine_parameters.h"
#include "engines/engine_table.h"
#include "machine/demo_command.h"
#include "machine/machine_command.h"
#include "machine/play_command.h"
#include "option_values.h"
#include "process_command.h"
#include "props_command.h"
#include "settings_command.h"

namespace vastum {

namespace {

// The options of `process` as they were typed; turned into a ProcessRequest
// only after parsing, so every malformed value is reported the same way.
struct ProcessOptions {
    std::string engine{DefaultEngine().name};
    std::vector<std::string> assignments;
    std::string settings;
    std::string mask;
    std::string seed;
    std::string raw;
    std::string bufferFrames;
    std::string input;
    std::string output;
};

// The options of `props` and `settings`, as typed.
struct PropsOptions {
    std::string engine;
    std::vector<std::string> assignments;
    std::string settings;
    std::string id;
    std::string value;
    std::string node;

    CLI::App* get = nullptr;
    CLI::App* set = nullptr;
};

struct SettingsOptions {
    std::string engine;
    std::vector<std::string> assignments;
    std::string save;
};

// Whether the user gave the option: its text alone cannot tell an empty
// value from none.
bool Given(const CLI::App& verb, const std::string& option)
{
    return verb.count(option) > 0;
}

// --set NAME=VALUE, repeatable. It takes one value each time, so a file
// named after it stays a positional.
void AddSetOption(CLI::App& verb, std::vector<std::string>& assignments, const std::string& when)
{
    verb.add_option("--set", assignments, "Sets an engine parameter " + when + "; repeatable")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
}

// IN is optional and comes first, so the parser sees both positionals as
// optional and fills IN first; BuildProcessRequest then takes the last file
// named as OUT. The usage line shows what a user types.
class ProcessHelpFormatter : public CLI::Formatter {
public:
    std::string make_option_usage(const CLI::Option* option) const override
    {
        return option->get_name() == "OUT" ? "OUT" : CLI::Formatter::make_option_usage(option);
    }
};

std::string EngineNames()
{
    std::string names;
    for (const Engine* engine : RegisteredEngines()) {
        names += (names.empty() ? "" : ", ") + std::string(engine->name);
    }
    return names;
}

const Engine& RequireEngine(const std::string& name)
{
    const Engine* engine = FindEngine(name);
    if (!engine) {
        throw UsageError("unknown engine '" + name + "' (engines: " + EngineNames() + ")");
    }
    return *engine;
}

// `props` and `settings`, and --settings, need an engine with a manager.
const Engine& RequireManager(const Engine& engine, const std::string& what)
{
    if (engine.openManager == nullptr) {
        throw UsageError(what + ": engine " + std::string(engine.name) + " has no property set and no settings");
    }
    return engine;
}

// After the options in `process --help`: the engines, or with --engine the
// chosen engine's parameters.
std::string ProcessHelpFooter(const CLI::App& process, const std::string& engineName)
{
    if (Given(process, "--engine")) {
        if (const Engine* engine = FindEngine(engineName)) {
            return DescribeParameters(*engine);
        }
        return "Unknown engine '" + engineName + "' (engines: " + EngineNames() + ").";
    }
    std::string text = "Engines (--engine NAME):\n";
    for (const Engine* engine : RegisteredEngines()) {
        text += "  " + std::string(engine->name) + (engine == &DefaultEngine() ? " (default)" : "") + ": " +
            std::string(engine->description) + "\n";
    }
    text += "'vastum process --engine NAME --help' lists an engine's parameters.";
    return text;
}

CLI::App* AddProcessCommand(CLI::App& app, ProcessOptions& options)
{
    CLI::App* process = app.add_subcommand("process",
        "Play audio through one stream of an effect engine and write the result.\n"
        "Without IN the input is the built-in demo programme (10 s, 48000 Hz, 16-bit stereo).");
    const std::string defaultSeed = std::to_string(kDefaultSeed);
    const std::string defaultBufferFrames = std::to_string(kDefaultBufferFrames);

    process->add_option("--engine", options.engine, "The effect engine (default " + options.engine + ")")
        ->type_name("NAME");
    AddSetOption(*process, options.assignments, "before processing");
    process
        ->add_option("--settings", options.settings,
            "Loads the engine's saved settings (a registry export, as `vastum settings --save` writes) before --set")
        ->type_name("FILE");
    process->add_option("--mask", options.mask, "Channel mask for input that has none (stereo: 0x3)")
        ->type_name("HEX");
    process->add_option("--seed", options.seed, "Seeds the VYO HD dither (default " + defaultSeed + ")")
        ->type_name("N");
    process->add_option("--raw", options.raw, "IN and OUT are headerless little-endian PCM of this format")
        ->type_name("RATE,BITS,CHANNELS");
    process
        ->add_option("--buffer-frames", options.bufferFrames,
            "Frames per buffer handed to the engine (default " + defaultBufferFrames + ")")
        ->type_name("N");
    process->add_option("IN", options.input, "Input file, '-' for standard input")->type_name("");
    process
        ->add_option("OUT", options.output,
            "Output file (required; '-' for standard output), written only when the run succeeds")
        ->type_name("");

    process->formatter(std::make_shared<ProcessHelpFormatter>());
    process->footer([process, &options] { return ProcessHelpFooter(*process, options.engine); });
    return process;
}

CLI::App* AddPropsCommand(CLI::App& app, PropsOptions& options)
{
    CLI::App* props = app.add_subcommand("props",
        "Sends one KS property request (IOCTL_KS_PROPERTY) to a fresh manager of an engine, built as the\n"
        "control panel builds it, and prints the value a get reads and the engine's status.\n"
        "Exit status 0 only when the engine answers with success.");
    props->add_option("--engine", options.engine, "The engine: vyohd or kova")->type_name("NAME")->required();
    AddSetOption(*props, options.assignments, "before the request");
    props->add_option("--settings", options.settings, "Loads the engine's saved settings before --set")
        ->type_name("FILE");
    props->require_subcommand(1);

    const std::string idHelp = "The property id (decimal or 0x hexadecimal)";
    const std::string nodeHelp = "Sends a KSP_NODE addressed to node N instead of a KSPROPERTY";
    options.get = props->add_subcommand("get", "Reads property ID");
    options.get->add_option("ID", options.id, idHelp)->required();
    options.get->add_option("--node", options.node, nodeHelp)->type_name("N");
    options.get->fallthrough();
    options.set = props->add_subcommand("set", "Sets property ID to VALUE");
    options.set->add_option("ID", options.id, idHelp)->required();
    options.set->add_option("VALUE", options.value, "The 32-bit value, e.g. 80 (percent) or -999 (decibels)")
        ->required();
    options.set->add_option("--node", options.node, nodeHelp)->type_name("N");
    options.set->fallthrough();
    return props;
}

PropsRequest BuildPropsRequest(const CLI::App& props, const PropsOptions& options)
{
    PropsRequest request;
    request.engine = &RequireManager(RequireEngine(options.engine), "props");
    request.settings = ParseParameterSettings(*request.engine, options.assignments);
    if (Given(props, "--settings")) {
        request.settingsPath = options.settings;
    }
    request.isSet = options.set->parsed();
    request.id = ParsePropertyNumber("ID", options.id);
    if (request.isSet) {
        request.value = ParsePropertyValue(options.value);
    }
    if (Given(*options.get, "--node") || Given(*options.set, "--node")) {
        request.node = ParsePropertyNumber("--node", options.node);
    }
    return request;
}

CLI::App* AddSettingsCommand(CLI::App& app, SettingsOptions& options)
{
    CLI::App* settings = app.add_subcommand("settings",
        "Writes an engine's settings as its own SaveSettings saves them into the registry, in the registry\n"
        "text export format: a fresh manager's defaults, or with --set changed. `process --settings FILE`\n"
        "loads them back.");
    settings->add_option("--engine", options.engine, "The engine: vyohd or kova")->type_name("NAME")->required();
    AddSetOption(*settings, options.assignments, "before saving");
    settings->add_option("--save", options.save, "The file to write ('-' for standard output), replaced atomically")
        ->type_name("FILE")
        ->required();
    return settings;
}

SettingsRequest BuildSettingsRequest(const SettingsOptions& options)
{
    SettingsRequest request;
    request.engine = &RequireManager(RequireEngine(options.engine), "settings");
    request.settings = ParseParameterSettings(*request.engine, options.assignments);
    request.savePath = options.save;
    return request;
}

ProcessRequest BuildProcessRequest(const CLI::App& process, const ProcessOptions& options)
{
    ProcessRequest request;
    if (Given(process, "OUT")) {
        request.inputPath = options.input;
        request.outputPath = options.output;
    } else if (Given(process, "IN")) {
        request.outputPath = options.input;
    } else {
        throw UsageError("OUT is required");
    }
    request.engine = &RequireEngine(options.engine);
    request.settings = ParseParameterSettings(*request.engine, options.assignments);
    if (Given(process, "--settings")) {
        RequireManager(*request.engine, "--settings");
        request.settingsPath = options.settings;
    }
    if (Given(process, "--mask")) {
        request.channelMask = ParseChannelMask(options.mask);
    }
    if (Given(process, "--seed")) {
        request.seed = ParseSeed(options.seed);
    }
    if (Given(process, "--raw")) {
        request.raw = ParseRawFormat(options.raw);
    }
    if (Given(process, "--buffer-frames")) {
        request.bufferFrames = ParseBufferFrames(options.bufferFrames);
    }
    return request;
}

// `machine --state DIR VERB ...`: one subcommand per thing done to the
// machine, each filling the request it was given.
struct MachineOptions {
    MachineRequest request;
    std::vector<std::pair<CLI::App*, MachineAction>> verbs;
};

CLI::App* AddMachineCommand(CLI::App& app, MachineOptions& options)
{
    CLI::App* machine = app.add_subcommand("machine",
        "Boot the simulated machine kept in a state folder, do one thing to it, and shut it down\n"
        "(which saves its registry). The machine's devices start at every boot.");
    machine->add_option("--state", options.request.stateFolder, "The machine's state folder")
        ->type_name("DIR")
        ->required();
    machine->require_subcommand(1);
    MachineRequest& request = options.request;
    auto verb = [&](const char* name, const char* description, MachineAction action) {
        CLI::App* sub = machine->add_subcommand(name, description);
        options.verbs.emplace_back(sub, action);
        return sub;
    };
    verb("devices", "List the devices: driver, upper filters, state and interfaces", MachineAction::ListDevices);
    verb("export", "Print a registry key and its subkeys in the text export format", MachineAction::ExportKey)
        ->add_option("KEY", request.key, "The key (default \\Registry\\Machine)");
    verb("import", "Apply a text export to the registry (all of it, or nothing when it is malformed)",
        MachineAction::ImportFile)
        ->add_option("FILE", request.file, "The export, '-' for standard input")
        ->required();
    for (auto [name, action] : {std::pair{"add-filter", MachineAction::AddFilter},
                                std::pair{"remove-filter", MachineAction::RemoveFilter}}) {
        CLI::App* sub = verb(name,
            action == MachineAction::AddFilter ? "Add a service name at the end of a device's upper-filter list"
                                               : "Remove a service name from a device's upper-filter list",
            action);
        sub->add_option("INSTANCE", request.instance, "The device's instance id (ROOT\\MEDIA\\0000)")->required();
        sub->add_option("FILTER", request.filter, "The filter's service name")->required();
        sub->footer("The stack is built from the new list when the device next starts.");
    }
    CLI::App* card = verb("install-card", "Install the virtual sound card", MachineAction::InstallCard);
    card->add_option("--filter", request.filters, "An upper filter above it; repeatable")->type_name("NAME");
    card->add_option("--sink", request.sinkFolder, "Where it records what it plays")->type_name("DIR");
    card->add_option("--instance", request.instance, "Its instance id (default ROOT\\MEDIA\\0000)")
        ->type_name("ID");
    return machine;
}

MachineRequest BuildMachineRequest(const MachineOptions& options)
{
    MachineRequest request = options.request;
    for (const auto& [sub, action] : options.verbs) {
        if (sub->parsed()) {
            request.action = action;
        }
    }
    return request;
}

CLI::App* AddPlayCommand(CLI::App& app, PlayRequest& request, std::string& output)
{
    CLI::App* play = app.add_subcommand("play",
        "Play a sound file through the machine's first render device as a client does: open a pin,\n"
        "set its format, run, write 10 ms buffers, stop, close. The virtual card records what it played.");
    play->add_option("--state", request.stateFolder, "The machine's state folder")->type_name("DIR")->required();
    play->add_option("--out", output, "Copy the card's recording to this WAVE file")->type_name("FILE");
    play->add_option("FILE", request.inputPath, "The sound file, '-' for standard input")->required();
    return play;
}

struct DemoOptions {
    std::string engine = "vyohd";
    std::string state;
    std::string out = "out";
    std::string input;
};

CLI::App* AddDemoCommand(CLI::App& app, DemoOptions& options)
{
    CLI::App* demo = app.add_subcommand("demo",
        "Play the built-in demo programme (or a sound file) through the whole system on the simulated\n"
        "machine: the virtual card with VYOFilter above it, the engine chosen through the filter's ProcMode\n"
        "as a client chooses it, 10 ms write requests. Writes OUT/input.wav (what was played) and\n"
        "OUT/output.wav (what the card played) and prints the engine, its settings and the levels.");
    demo->add_option("--engine", options.engine, "vyohd (ProcMode 0, the default), kova (1) or off (2)")
        ->type_name("NAME");
    demo->add_option("--state", options.state, "The machine's state folder (default OUT/machine)")->type_name("DIR");
    demo->add_option("--out", options.out, "Where input.wav and output.wav go (default out)")->type_name("DIR");
    demo->add_option("--in", options.input, "A sound file to play instead of the demo programme ('-': standard input)")
        ->type_name("FILE");
    return demo;
}

DemoRequest BuildDemoRequest(const CLI::App& demo, const DemoOptions& options)
{
    DemoRequest request;
    request.engine = ParseDemoEngine(options.engine);
    request.stateFolder = options.state;
    if (options.out.empty()) {
        throw UsageError("--out needs a folder");
    }
    request.outFolder = options.out;
    if (Given(demo, "--in")) {
        request.inputPath = options.input;
    }
    return request;
}

// A message is one line, whatever the library or the system put into it.
std::string OneLine(std::string message)
{
    for (char& c : message) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    while (!message.empty() && message.back() == ' ') {
        message.pop_back();
    }
    return message;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err)
{
    CLI::App app("Vastum Surround System command line", "vastum");
    app.require_subcommand(1);
    ProcessOptions processOptions;
    CLI::App* process = AddProcessCommand(app, processOptions);
    PropsOptions propsOptions;
    CLI::App* props = AddPropsCommand(app, propsOptions);
    SettingsOptions settingsOptions;
    CLI::App* settings = AddSettingsCommand(app, settingsOptions);
    MachineOptions machineOptions;
    CLI::App* machine = AddMachineCommand(app, machineOptions);
    PlayRequest playRequest;
    std::string playOutput;
    CLI::App* play = AddPlayCommand(app, playRequest, playOutput);
    DemoOptions demoOptions;
    CLI::App* demo = AddDemoCommand(app, demoOptions);

    // The parser would only say that a subcommand is missing.
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](const CLI::App* verb) { return verb->get_name() == argv[1]; }).empty()) {
        std::string verbs;
        for (const CLI::App* verb : app.get_subcommands({})) {
            verbs += (verbs.empty() ? "" : ", ") + verb->get_name();
        }
        err << "vastum: unknown command '" << argv[1] << "' (commands: " << verbs << ")\n";
        return kExitUsage;
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help, out, err);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help, out, err);
    } catch (const CLI::ParseError& error) {
        err << "vastum: " << OneLine(error.what()) << "\n";
        return kExitUsage;
    }

    try {
        if (process->parsed()) {
            RunProcess(BuildProcessRequest(*process, processOptions));
        } else if (props->parsed()) {
            return RunProps(BuildPropsRequest(*props, propsOptions), out) ? 0 : kExitCommandFailed;
        } else if (settings->parsed()) {
            RunSettings(BuildSettingsRequest(settingsOptions), out);
        } else if (machine->parsed()) {
            RunMachine(BuildMachineRequest(machineOptions), out, err);
        } else if (play->parsed()) {
            if (!playOutput.empty()) {
                playRequest.outputPath = playOutput;
            }
            RunPlay(playRequest, out, err);
        }
        if (demo->parsed()) {
            RunDemo(BuildDemoRequest(*demo, demoOptions), out, err);
        }
        return 0;
    } catch (const UsageError& error) {
        err << "vastum: " << OneLine(error.what()) << "\n";
        return kExitUsage;
    } catch (const CommandError& error) {
        err << "vastum: " << OneLine(error.what()) << "\n";
        return kExitCommandFailed;
    } catch (const std::bad_alloc&) {
        err << "vastum: out of memory\n";
        return kExitCommandFailed;
    }
}

}  // namespace vastum
