// `vastum settings --save` and `vastum process --settings`, run as a user
// runs them: an engine's own SaveSettings written as a registry export, and
// loaded back by the engine's own LoadSettings before processing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temporary_folder.h"
#include "vastum_program.h"

namespace {

using Settings = VastumProgram;

const std::string kVyohdDefaults =
    "VASTUM REGISTRY 1\n"
    "\n"
    "[\\Registry\\Machine\\Software\\Vastum\\vyohd]\n"
    "\"Enable\"=dword:00000001\n"
    "\"LimiterEnable\"=dword:00000001\n"
    "\"ELEVOLevel\"=binary:cd cc cc 3e\n"
    "\"NitidaLevel\"=binary:cd cc cc 3f\n"
    "\"SubviaLevel\"=binary:9a 99 19 3f\n"
    "\"QELWidth\"=binary:cd cc 4c 3f\n"
    "\"InputGain\"=binary:00 00 80 3f\n"
    "\"OutputGain\"=binary:00 00 80 3f\n"
    "\"LimiterLevel\"=binary:00 00 40 3f\n"
    "\"CenterLevel\"=binary:00 00 00 3f\n"
    "\"QELSize\"=dword:00000000\n"
    "\"SubviaSize\"=dword:00000000\n"
    "\"QELMode\"=dword:00000002\n";

TEST_F(Settings, save_writes_the_engines_defaults_as_a_registry_export)
{
    const ProgramRun run = Run({"settings", "--engine", "vyohd", "--save", "vyohd.reg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadText(folder / "vyohd.reg"), kVyohdDefaults);

    const ProgramRun kova = Run({"settings", "--engine", "kova", "--set", "KVHDMode=3", "--save", "-"});
    ASSERT_EQ(kova.exitCode, 0) << kova.err;
    EXPECT_NE(kova.out.find("[\\Registry\\Machine\\Software\\Vastum\\kova]\n\"Enable\"=dword:00000001\n"),
              std::string::npos)
        << kova.out;
    EXPECT_NE(kova.out.find("\"KVHDMode\"=dword:00000003\n"), std::string::npos) << kova.out;
}

// The same settings reach the stream whether they come from a file or from
// --set: both runs write the same bytes, and differ from the defaults'.
TEST_F(Settings, process_loads_saved_settings_before_set)
{
    const struct {
        std::string engine;
        std::vector<std::string> sets;
    } cases[] = {
        {"vyohd", {"QELMode=0", "NitidaLevel=3.5"}},
        {"kova", {"Headphone=1", "ElevoLevel=0.25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.engine);
        std::vector<std::string> save = {"settings", "--engine", c.engine, "--save", "saved.reg"};
        std::vector<std::string> direct = {"process", "--engine", c.engine};
        for (const std::string& set : c.sets) {
            save.insert(save.end(), {"--set", set});
            direct.insert(direct.end(), {"--set", set});
        }
        direct.push_back("direct.wav");
        ASSERT_EQ(Run(save).exitCode, 0);
        ASSERT_EQ(Run(direct).exitCode, 0);
        ASSERT_EQ(Run({"process", "--engine", c.engine, "--settings", "saved.reg", "loaded.wav"}).exitCode, 0);
        ASSERT_EQ(Run({"process", "--engine", c.engine, "defaults.wav"}).exitCode, 0);
        EXPECT_EQ(ReadFileBytes(folder / "loaded.wav"), ReadFileBytes(folder / "direct.wav"));
        EXPECT_NE(ReadFileBytes(folder / "loaded.wav"), ReadFileBytes(folder / "defaults.wav"));
    }

    // --set comes after the file: it has the last word.
    ASSERT_EQ(Run({"settings", "--engine", "vyohd", "--set", "QELWidth=0.2", "--save", "narrow.reg"}).exitCode, 0);
    const ProgramRun run = Run({"props", "--engine", "vyohd", "--settings", "narrow.reg", "--set", "QELWidth=0.6",
                                "get", "2"});
    EXPECT_EQ(run.out, "60\nSTATUS_SUCCESS (0x00000000)\n");
}

TEST_F(Settings, values_the_engine_does_not_accept_are_skipped_as_the_engine_skips_them)
{
    WriteFileBytes(folder / "odd.reg", [] {
        const std::string text = "VASTUM REGISTRY 1\n"
                                 "[\\Registry\\Machine\\Software\\Vastum\\vyohd]\n"
                                 "\"QELMode\"=dword:00000005\n"      // refused by the setter
                                 "\"QELWidth\"=dword:00000000\n"     // a level stored as REG_DWORD
                                 "\"CenterLevel\"=binary:00 00 80 3e\n";  // 0.25
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    const struct {
        const char* id;
        const char* value;
    } reads[] = {{"15", "2"}, {"2", "80"}, {"14", "25"}};
    for (const auto& r : reads) {
        const ProgramRun run = Run({"props", "--engine", "vyohd", "--settings", "odd.reg", "get", r.id});
        EXPECT_EQ(run.out, std::string(r.value) + "\nSTATUS_SUCCESS (0x00000000)\n") << "id " << r.id;
    }
}

TEST_F(Settings, a_file_that_is_not_one_key_of_settings_is_refused)
{
    WriteFileBytes(folder / "two.reg", [] {
        const std::string text = "VASTUM REGISTRY 1\n[\\Registry\\Machine\\Software\\A]\n[\\Registry\\Machine\\Software\\B]\n";
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }());
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"process", "--engine", "vyohd", "--settings", "two.reg", "out.wav"}, 1,
         "'two.reg' names 2 registry keys; a settings file names exactly one"},
        {{"process", "--engine", "vyohd", "--settings", "missing.reg", "out.wav"}, 1, "'missing.reg'"},
        {{"settings", "--engine", "none", "--save", "none.reg"}, 2,
         "settings: engine none has no property set and no settings"},
        {{"settings", "--engine", "vyohd"}, 2, "--save is required"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(folder / "out.wav"));
        EXPECT_FALSE(std::filesystem::exists(folder / "none.reg"));
    }
}

}  // namespace
