#include "core/list_file.h"

#include "core/atomic_file.h"
#include "core/product_info.h"

#include <pugixml.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace clickwisp {

// The address matches kProductWebAddress.
const std::string_view kListStartText = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>"
                                        "<list versionNo=\"1.0\" generated=\"https://clickwisp.example/\"></list>";

namespace {

std::string lineAndColumn(std::string_view text, ptrdiff_t offset)
{
    size_t end = std::min(text.size(), size_t(std::max<ptrdiff_t>(offset, 0)));
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(end - lineStart + 1);
}

} // namespace

Result<ListLoad> ListFromText(std::string_view text, std::string_view source)
{
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
    if (!parsed) {
        return fail(std::string(source) + ": not well-formed XML: " + parsed.description() + " ("
            + lineAndColumn(text, parsed.offset) + ")");
    }
    ListLoad load;
    int number = 0;
    for (pugi::xml_node node : document.document_element().children()) {
        if (node.type() != pugi::node_element)
            continue;
        ++number;
        auto action = TBaseCtrlEX::CreateFromItem(node);
        if (!action) {
            load.itemError
                = Error { std::string(source) + ": item " + std::to_string(number) + ": " + action.error().message };
            break;
        }
        load.actions.push_back(std::move(*action));
    }
    return load;
}

Result<ListLoad> LoadListFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return fail("cannot open " + path.string() + ": " + std::strerror(errno));
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return fail("cannot open " + path.string() + ": it is a folder");
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad())
        return fail("cannot read " + path.string());
    return ListFromText(content.str(), path.string());
}

std::string ListToText(const ActionList& actions)
{
    pugi::xml_document document;
    document.load_buffer(kListStartText.data(), kListStartText.size(), pugi::parse_default | pugi::parse_declaration);
    pugi::xml_node root = document.document_element();
    for (const auto& action : actions)
        action->SaveToItem(root);

    // The declaration and the root's start tag are written as in the start
    // text; each item goes on a line of its own.
    const std::string_view endTag = "</list>";
    std::string text(kListStartText.substr(0, kListStartText.size() - endTag.size()));
    std::ostringstream items;
    for (pugi::xml_node item : root.children()) {
        items << "\n\t";
        item.print(items, "", pugi::format_raw);
    }
    text += items.str();
    if (!actions.empty())
        text += '\n';
    text += endTag;
    return text;
}

Result<void> SaveListFile(const std::filesystem::path& path, const ActionList& actions)
{
    return WriteFileAtomically(path, ListToText(actions));
}

} // namespace clickwisp
