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
    EXPECT_EQ(entriesIn(dir.path()), 1) << "no temporary file is left";
}

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
