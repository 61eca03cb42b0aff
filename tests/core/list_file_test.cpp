// Reading and writing action list files.
#include "core/list_file.h"
#include "core/product_info.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace clickwisp {
namespace {

using test::readFile;
using test::TempDir;

std::string wrap(const std::string& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><list versionNo=\"1.0\">" + items + "</list>";
}

ListLoad loadText(const std::string& text)
{
    auto loaded = ListFromText(text, "test.xml");
    EXPECT_TRUE(loaded.has_value()) << (loaded ? "" : loaded.error().message);
    return loaded ? std::move(*loaded) : ListLoad {};
}

ActionList twoActions()
{
    ActionList list;
    list.push_back(TBaseCtrlEX::CreateDelay(250));
    auto key = TBaseCtrlEX::Create();
    key->actionType = atKey;
    key->key = 13;
    key->keyAction = kaUp;
    key->screenType = 7;
    key->mouseButton = 200;
    key->typeText = "kept even for keys";
    list.push_back(std::move(key));
    return list;
}

std::string allFields(const TMouseObj& a)
{
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("x");
    static_cast<const TBaseCtrlEX&>(a).SaveToItem(root);
    std::ostringstream out;
    root.first_child().print(out, "", pugi::format_raw);
    return out.str();
}

TEST(ListFileWrite, EmptyListIsExactlyTheStartText)
{
    EXPECT_EQ(ListToText({}), kListStartText);
    EXPECT_EQ(kListStartText,
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?><list versionNo=\"1.0\" "
        "generated=\""
            + std::string(kProductWebAddress) + "\"></list>");
    EXPECT_TRUE(loadText(std::string(kListStartText)).actions.empty());
}

TEST(ListFileWrite, ItemsCarryAll17AttributesInOrder)
{
    const std::string text = ListToText(twoActions());
    ASSERT_TRUE(
        text.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?><list versionNo=\"1.0\""));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.name(), "list");
    EXPECT_STREQ(root.attribute("versionNo").value(), "1.0");
    EXPECT_EQ(root.attribute("generated").value(), kProductWebAddress);

    const char* order[] = { "mouseClickPosX", "mouseClickPosY", "fColor", "fBMP", "fColorSimplar", "fBMPSimplar",
        "mouseMovePosX", "mouseMovePosY", "key", "typeText", "delay", "actionType", "mouseButton", "mouseAction",
        "mousePoint", "keyAction", "screenType" };
    int items = 0;
    for (pugi::xml_node item : root.children()) {
        ++items;
        EXPECT_STREQ(item.name(), "item");
        EXPECT_FALSE(item.first_child()) << "items are empty";
        int i = 0;
        for (pugi::xml_attribute attribute : item.attributes()) {
            ASSERT_LT(i, 17);
            EXPECT_STREQ(attribute.name(), order[i++]);
        }
        EXPECT_EQ(i, 17);
    }
    EXPECT_EQ(items, 2);
    pugi::xml_node second = root.last_child();
    EXPECT_STREQ(second.attribute("mouseButton").value(), "200");
    EXPECT_STREQ(second.attribute("fBMP").value(), "");
}

TEST(ListFileRead, SavedListReadsBackFieldForField)
{
    const ActionList source = twoActions();
    ListLoad back = loadText(ListToText(source));
    ASSERT_FALSE(back.itemError);
    ASSERT_EQ(back.actions.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(allFields(*back.actions[i]), allFields(*source[i]));
    EXPECT_EQ(back.actions[1]->screenType, 7);
}

TEST(ListFileRead, MissingAttributesTakeDefaultsAndUnknownOnesAreIgnored)
{
    ListLoad load = loadText(wrap("<item actionType=\"4\" delay=\"250\"/><item/><item colour=\"red\" x=\"abc\"/>"));
    ASSERT_EQ(load.actions.size(), 3u);
    EXPECT_EQ(load.actions[0]->Describe("Action"), "Delay 250 ms");
    EXPECT_EQ(allFields(*load.actions[0]), allFields(*TBaseCtrlEX::CreateDelay(250)));
    EXPECT_EQ(allFields(*load.actions[1]), allFields(*TBaseCtrlEX::Create()));
    EXPECT_EQ(allFields(*load.actions[2]), allFields(*TBaseCtrlEX::Create()));
}

TEST(ListFileRead, ByteFieldsKeepTheLow8Bits)
{
    ListLoad load = loadText(wrap("<item mouseButton=\"258\" mouseClickPosX=\"-5\" actionType=\"260\" "
                                  "keyAction=\"-1\" screenType=\"255\" mousePoint=\"2147483647\"/>"));
    ASSERT_EQ(load.actions.size(), 1u);
    const auto& a = *load.actions[0];
    EXPECT_EQ(a.mouseButton, 2);
    EXPECT_EQ(a.mouseClickPosX, -5);
    EXPECT_EQ(a.actionType, 4);
    EXPECT_EQ(a.keyAction, 255);
    EXPECT_EQ(a.screenType, 255);
    EXPECT_EQ(a.mousePoint, 255);
    // Out-of-range bytes load, show and save as they are.
    EXPECT_NE(ListToText(load.actions).find("keyAction=\"255\""), std::string::npos);
}

TEST(ListFileRead, BadValueStopsAtItsItemAndNamesIt)
{
    struct Case {
        std::string attribute;
        std::string value;
    };
    const Case cases[] = { { "delay", "" }, { "delay", "abc" }, { "mouseClickPosX", "99999999999" },
        { "key", "2147483648" }, { "actionType", "1.5" }, { "fColorSimplar", " 5" }, { "screenType", "-2147483649" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attribute + "=" + c.value);
        ListLoad load = loadText(wrap(
            "<item actionType=\"1\"/><!-- skipped --><item/><item " + c.attribute + "=\"" + c.value + "\"/><item/>"));
        ASSERT_TRUE(load.itemError);
        EXPECT_EQ(load.actions.size(), 2u) << "the items before the bad one stay";
        EXPECT_EQ(load.itemError->message,
            "test.xml: item 3: attribute " + c.attribute + ": '" + c.value + "' is not a 32-bit integer");
    }
    // The extremes of the range convert.
    ListLoad edge = loadText(wrap("<item mouseClickPosX=\"-2147483648\" mouseClickPosY=\"2147483647\"/>"));
    ASSERT_EQ(edge.actions.size(), 1u);
    EXPECT_EQ(edge.actions[0]->mouseClickPosX, INT32_MIN);
    EXPECT_EQ(edge.actions[0]->mouseClickPosY, INT32_MAX);
}

TEST(ListFileRead, RootNameVersionAndTextNodesDoNotMatter)
{
    ListLoad foreign = loadText("<macros versionNo=\"2.0\">text<entry actionType=\"3\" typeText=\"x\"/>"
                                "<?pi here?><row actionType=\"1\"/></macros>");
    ASSERT_EQ(foreign.actions.size(), 2u);
    EXPECT_EQ(foreign.actions[0]->Describe("Action"), "TypeText:x");
    EXPECT_EQ(foreign.actions[1]->actionType, atMove);
    EXPECT_TRUE(loadText("<list/>").actions.empty());
}

TEST(ListFileRead, NotWellFormedIsAnErrorWithPlace)
{
    for (const std::string text :
        { "", "<list>", "<list><item delay=\"1\"></list>", "just text", "<list><item a=1/></list>" }) {
        auto loaded = ListFromText(text, "broken.xml");
        ASSERT_FALSE(loaded.has_value()) << text;
        EXPECT_TRUE(loaded.error().message.starts_with("broken.xml: not well-formed XML: ")) << loaded.error().message;
        EXPECT_NE(loaded.error().message.find("line 1, column"), std::string::npos) << loaded.error().message;
    }
    auto multiLine = ListFromText("<list>\n<item/>\n  <item delay=\"1\" <\n</list>", "f.xml");
    ASSERT_FALSE(multiLine.has_value());
    EXPECT_NE(multiLine.error().message.find("(line 3, column"), std::string::npos) << multiLine.error().message;
}

TEST(ListFileText, UnicodeAndEscapedCharactersRoundTrip)
{
    const std::string texts[] = {
        "<tag attr=\"v\"> & 'single' \"double\" &amp;",
        "Grüße, 日本語, emoji \xF0\x9F\x98\x80, Ωmega",
        "tab\there\nnew line\r\nwindows line",
        "  leading and trailing blanks  ",
        "]]> <![CDATA[ x ]]>",
    };
    ActionList list;
    for (const std::string& text : texts) {
        auto action = TBaseCtrlEX::Create();
        action->actionType = atText;
        action->typeText = text;
        action->fColor = text;
        list.push_back(std::move(action));
    }
    ListLoad back = loadText(ListToText(list));
    ASSERT_EQ(back.actions.size(), std::size(texts));
    for (size_t i = 0; i < std::size(texts); ++i) {
        EXPECT_EQ(back.actions[i]->typeText, texts[i]);
        EXPECT_EQ(back.actions[i]->fColor, texts[i]);
        EXPECT_EQ(CopyAction(*list[i])->typeText, texts[i]) << "the run copy keeps the text too";
    }
}

TEST(ListFileDisk, FullDiskReportsAndLeavesTheOldFile)
{
    TempDir dir;
#ifndef _WIN32 // Windows has no per-process file size limit
    // A full disk, simulated by a file size limit: the old file stays whole
    // and no temporary file is left behind.
    const auto path = dir / "list.xml";
    ASSERT_TRUE(SaveListFile(path, {}));
    const std::string before = readFile(path);
    ActionList big;
    for (int i = 0; i < 200; ++i)
        big.push_back(TBaseCtrlEX::CreateDelay(i));
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    auto full = SaveListFile(path, big);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    ASSERT_FALSE(full.has_value());
    EXPECT_NE(full.error().message.find("list.xml"), std::string::npos);
    EXPECT_EQ(readFile(path), before);
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1) << "list.xml only";
#endif
}

} // namespace
} // namespace clickwisp
