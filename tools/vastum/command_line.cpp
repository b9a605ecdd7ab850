#include "command_line.h"

#include <new>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "audio/raw_pcm.h"
#include "command_error.h"
#include "engines/engine_parameters.h"
#include "engines/engine_table.h"
#include "option_values.h"
#include "process_command.h"

namespace vastum {

namespace {

// The options of `process` as they were typed; turned into a ProcessRequest
// only after parsing, so every malformed value is reported the same way.
struct ProcessOptions {
    std::string engine{DefaultEngine().name};
    std::vector<std::string> assignments;
    std::string mask;
    std::string seed;
    std::string raw;
    std::string bufferFrames;
    std::string input;
    std::string output;

    CLI::Option* maskOption = nullptr;
    CLI::Option* seedOption = nullptr;
    CLI::Option* rawOption = nullptr;
    CLI::Option* bufferFramesOption = nullptr;
    CLI::Option* inputOption = nullptr;
    CLI::Option* outputOption = nullptr;
};

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

// After the options in `process --help`: the engines, or with --engine the
// chosen engine's parameters.
std::string ProcessHelpFooter(const CLI::App& process, const std::string& engineName)
{
    if (process.count("--engine") > 0) {
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
    process->add_option("--set", options.assignments, "Sets an engine parameter before processing; repeatable")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    options.maskOption =
        process->add_option("--mask", options.mask, "Channel mask for input that has none (stereo: 0x3)")
            ->type_name("HEX");
    options.seedOption =
        process->add_option("--seed", options.seed, "Seeds the VYO HD dither (default " + defaultSeed + ")")
            ->type_name("N");
    options.rawOption =
        process->add_option("--raw", options.raw, "IN and OUT are headerless little-endian PCM of this format")
            ->type_name("RATE,BITS,CHANNELS");
    options.bufferFramesOption =
        process
            ->add_option("--buffer-frames", options.bufferFrames,
                "Frames per buffer handed to the engine (default " + defaultBufferFrames + ")")
            ->type_name("N");
    options.inputOption =
        process->add_option("IN", options.input, "Input file, '-' for standard input")->type_name("");
    options.outputOption =
        process
            ->add_option("OUT", options.output,
                "Output file (required; '-' for standard output), written only when the run succeeds")
            ->type_name("");

    process->formatter(std::make_shared<ProcessHelpFormatter>());
    process->footer([process, &options] { return ProcessHelpFooter(*process, options.engine); });
    return process;
}

ProcessRequest BuildProcessRequest(const ProcessOptions& options)
{
    ProcessRequest request;
    if (options.outputOption->count() > 0) {
        request.inputPath = options.input;
        request.outputPath = options.output;
    } else if (options.inputOption->count() > 0) {
        request.outputPath = options.input;
    } else {
        throw UsageError("OUT is required");
    }
    request.engine = &RequireEngine(options.engine);
    request.settings = ParseParameterSettings(*request.engine, options.assignments);
    if (options.maskOption->count() > 0) {
        request.channelMask = ParseChannelMask(options.mask);
    }
    if (options.seedOption->count() > 0) {
        request.seed = ParseSeed(options.seed);
    }
    if (options.rawOption->count() > 0) {
        request.raw = ParseRawFormat(options.raw);
    }
    if (options.bufferFramesOption->count() > 0) {
        request.bufferFrames = ParseBufferFrames(options.bufferFrames);
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

    // The parser would only say that a subcommand is missing.
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](const CLI::App* verb) { return verb->get_name() == argv[1]; }).empty()) {
        err << "vastum: unknown command '" << argv[1] << "' (commands: process)\n";
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
            RunProcess(BuildProcessRequest(processOptions));
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
