// clickwisp-cli describe, run as a separate program.
#include "tests/support/process.h"

#include <gtest/gtest.h>

namespace clickwisp {
namespace {

using test::cliPath;
using test::runProcess;
using test::TempDir;
using test::writeFile;

TEST(DescribeCli, PrintsHeaderAndOneRowPerAction)
{
    TempDir dir;
    writeFile(dir / "list.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?><list versionNo=\"1.0\">"
        "<item/>"
        "<item actionType=\"0\" mousePoint=\"1\" mouseAction=\"2\" mouseClickPosX=\"120\" mouseClickPosY=\"-4\"/>"
        "<item actionType=\"4\" delay=\"1500\"/>"
        "<item actionType=\"2\" key=\"121\" keyAction=\"1\"/>"
        "<item actionType=\"3\" typeText=\"Gr&#252;&#223;e &lt;b&gt;\"/>"
        "<item actionType=\"1\" mouseMovePosX=\"3\" mouseMovePosY=\"4\"/>"
        "<item actionType=\"9\" mouseButton=\"258\"/>"
        "</list>");
    auto result = runProcess({ cliPath(), "describe", (dir / "list.xml").string() });
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
        "No.\tType\tAction\n"
        "1\tMouse Click\tLeft Button Single Click on mouse current point\n"
        "2\tMouse Click\tLeft Button Button Down on fixed point:(120 : -4)\n"
        "3\tDelay\tDelay 1500 ms\n"
        "4\tKeyboard\tKey :(F10) Up\n"
        "5\tTypeText\tTypeText:Grüße <b>\n"
        "6\tMouse Move\tMouse Move to (3 : 4)\n"
        "7\tunknown\tunknown\n");

    writeFile(dir / "empty.xml", "<list/>");
    auto empty = runProcess({ cliPath(), "describe", (dir / "empty.xml").string() });
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "No.\tType\tAction\n");
}

TEST(DescribeCli, BadFilesExitWith2)
{
    TempDir dir;
    writeFile(dir / "broken.xml", "<list><item delay=\"1\"></list>");
    auto broken = runProcess({ cliPath(), "describe", (dir / "broken.xml").string() });
    EXPECT_EQ(broken.status, 2);
    EXPECT_EQ(broken.out, "") << "nothing on stdout";
    EXPECT_NE(broken.err.find((dir / "broken.xml").string()), std::string::npos) << broken.err;
    EXPECT_NE(broken.err.find("not well-formed XML"), std::string::npos) << broken.err;

    writeFile(
        dir / "partial.xml", "<list><item actionType=\"4\" delay=\"5\"/><item/><item delay=\"abc\"/><item/></list>");
    auto partial = runProcess({ cliPath(), "describe", (dir / "partial.xml").string() });
    EXPECT_EQ(partial.status, 2);
    EXPECT_EQ(partial.out,
        "No.\tType\tAction\n1\tDelay\tDelay 5 ms\n"
        "2\tMouse Click\tLeft Button Single Click on mouse current point\n");
    EXPECT_NE(partial.err.find("item 3: attribute delay: 'abc'"), std::string::npos) << partial.err;

    auto missing = runProcess({ cliPath(), "describe", (dir / "missing.xml").string() });
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("missing.xml"), std::string::npos);
}

TEST(DescribeCli, HelpNamesTheVerbAndItsOutput)
{
    auto help = runProcess({ cliPath(), "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("describe"), std::string::npos);

    auto verbHelp = runProcess({ cliPath(), "describe", "--help" });
    EXPECT_EQ(verbHelp.status, 0);
    EXPECT_NE(verbHelp.out.find("FILE"), std::string::npos);
    EXPECT_NE(verbHelp.out.find("No.<TAB>Type<TAB>Action"), std::string::npos);
}

} // namespace
} // namespace clickwisp
