#include "files/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>

#include "command_error.h"
#include "temporary_folder.h"

namespace {

using vastum::WriteFileAtomically;

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w'};

TEST(AtomicFile, creates_or_replaces_the_file_and_leaves_nothing_else)
{
    TemporaryFolder folder;
    WriteFileAtomically(folder / "out.wav", kOld);
    EXPECT_EQ(ReadFileBytes(folder / "out.wav"), kOld);
    WriteFileAtomically(folder / "out.wav", kNew);
    EXPECT_EQ(ReadFileBytes(folder / "out.wav"), kNew) << "a longer old file leaves no tail behind";
    WriteFileAtomically(folder / "empty.wav", {});
    EXPECT_TRUE(std::filesystem::is_empty(folder / "empty.wav"));
    EXPECT_EQ(folder.Entries(), (std::set<std::string>{"out.wav", "empty.wav"}));
}

TEST(AtomicFile, replaced_file_keeps_its_permissions_and_links_stay_links)
{
    TemporaryFolder folder;
    WriteFileAtomically(folder / "target.wav", kOld);
    ASSERT_EQ(::chmod((folder / "target.wav").c_str(), 0640), 0);
    std::filesystem::create_symlink("target.wav", folder / "link.wav");

    WriteFileAtomically(folder / "link.wav", kNew);

    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.wav"));
    EXPECT_EQ(ReadFileBytes(folder / "target.wav"), kNew);
    struct stat status;
    ASSERT_EQ(::stat((folder / "target.wav").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(folder.Entries(), (std::set<std::string>{"target.wav", "link.wav"}));
}

// The temporary file is written completely before the rename fails here (a
// folder cannot be replaced by a file); it must not stay behind.
TEST(AtomicFile, failure_leaves_the_target_as_it_was_and_no_temporary_file)
{
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "out.wav");
    WriteFileBytes(folder / "out.wav/inside", kOld);
    struct FailureCase {
        std::string path;
        std::string message;
    };
    const FailureCase cases[] = {
        {folder / "out.wav", "cannot write '" + (folder / "out.wav") + "': Is a directory"},
        {folder / "missing/out.wav", "cannot write '" + (folder / "missing/out.wav") + "': No such file or directory"},
        {folder / "out.wav/inside/x.wav", "cannot write '" + (folder / "out.wav/inside/x.wav") + "': Not a directory"},
    };
    for (const FailureCase& c : cases) {
        try {
            WriteFileAtomically(c.path, kNew);
            ADD_FAILURE() << c.path << " was written";
        } catch (const vastum::CommandError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
    EXPECT_EQ(folder.Entries(), (std::set<std::string>{"out.wav"}));
    EXPECT_EQ(ReadFileBytes(folder / "out.wav/inside"), kOld);
}

}  // namespace
