// Writing files so that a failure never damages the old one.
#include "core/atomic_file.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace clickwisp {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

int entriesIn(const std::filesystem::path& folder)
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

TEST(AtomicFile, CreatesAndReplacesKeepingPermissions)
{
    TempDir dir;
    const auto path = dir / "out.txt";
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    EXPECT_EQ(readFile(path), "first");
#ifndef _WIN32
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
#endif
    ASSERT_TRUE(WriteFileAtomically(path, std::string("second\0with nul", 15)));
    EXPECT_EQ(readFile(path), std::string("second\0with nul", 15));
#ifndef _WIN32
    struct stat info { };
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif
    ASSERT_TRUE(WriteFileAtomically(path, ""));
    EXPECT_EQ(readFile(path), "");
    // In pieces (a header and an array): one after the other, empty ones too.
    const std::string_view pieces[] = { "head", "", "er+body" };
    ASSERT_TRUE(WriteFileAtomically(path, pieces));
    EXPECT_EQ(readFile(path), "header+body");
    EXPECT_EQ(entriesIn(dir.path()), 1) << "no temporary file is left";
}

#ifndef _WIN32 // symbolic links and permission bits as POSIX has them
TEST(AtomicFile, SavesThroughLinksAndRefusesReadOnlyFiles)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "real");
    const auto target = dir / "real" / "list.xml";
    writeFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    // A relative link to a relative link, from another folder.
    std::filesystem::create_symlink("real/list.xml", dir / "inner.xml");
    std::filesystem::create_directory(dir / "links");
    std::filesystem::create_symlink("../inner.xml", dir / "links" / "list.xml");

    ASSERT_TRUE(WriteFileAtomically(dir / "links" / "list.xml", "new"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "links" / "list.xml"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "inner.xml"));
    EXPECT_EQ(readFile(target), "new");
    struct stat info { };
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(entriesIn(dir / "real"), 1) << "no temporary file is left";

    // A link to a file not there yet creates it.
    std::filesystem::create_symlink("real/fresh.xml", dir / "fresh.xml");
    ASSERT_TRUE(WriteFileAtomically(dir / "fresh.xml", "made"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "fresh.xml"));
    EXPECT_EQ(readFile(dir / "real" / "fresh.xml"), "made");

    // Read-only, in a writable folder, directly or through the link.
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    for (const auto& path : { target, dir / "links" / "list.xml" }) {
        auto refused = WriteFileAtomically(path, "lost");
        ASSERT_FALSE(refused.has_value()) << path;
        EXPECT_NE(refused.error().message.find(path.string()), std::string::npos) << refused.error().message;
        EXPECT_NE(refused.error().message.find("read-only"), std::string::npos) << refused.error().message;
        EXPECT_EQ(readFile(target), "new");
    }
    EXPECT_EQ(entriesIn(dir / "real"), 2);

    // A chain of links that never ends is an error, not a replaced link.
    std::filesystem::create_symlink("loop-b", dir / "loop-a");
    std::filesystem::create_symlink("loop-a", dir / "loop-b");
    EXPECT_FALSE(WriteFileAtomically(dir / "loop-a", "x").has_value());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop-a"));
}
#endif

TEST(AtomicFile, FailuresNameTheFileAndLeaveNoTrace)
{
    TempDir dir;
    writeFile(dir / "plain", "x");
    auto underFile = WriteFileAtomically(dir / "plain" / "out.txt", "data");
    ASSERT_FALSE(underFile.has_value());
    const std::string named = (std::filesystem::path("plain") / "out.txt").string();
    EXPECT_NE(underFile.error().message.find(named), std::string::npos) << underFile.error().message;

    // A folder in the way of the rename stays as it was.
    std::filesystem::create_directory(dir / "taken");
    writeFile(dir / "taken" / "inside", "keep");
    auto onFolder = WriteFileAtomically(dir / "taken", "data");
    ASSERT_FALSE(onFolder.has_value());
    EXPECT_NE(onFolder.error().message.find("taken"), std::string::npos);
    EXPECT_EQ(readFile(dir / "taken" / "inside"), "keep");
    EXPECT_EQ(entriesIn(dir.path()), 2);

    auto noFolder = WriteFileAtomically(dir / "missing" / "out.txt", "data");
    EXPECT_FALSE(noFolder.has_value());
}

} // namespace
} // namespace clickwisp
