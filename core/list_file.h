#pragma once

#include "core/action.h"
#include "core/error.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace clickwisp {

// The document every saved list starts from: the declaration followed
// directly by an empty `list` root carrying versionNo and generated.
extern const std::string_view kListStartText;

// What a load read. When an item does not convert, the load stops there:
// actions holds the items before it and itemError says which item
// (1-based), attribute and value were at fault.
struct ListLoad {
    ActionList actions;
    std::optional<Error> itemError;
};

// Reads a list document from text. Every element child of the root becomes
// one action, whatever the names of the root and the child; other nodes are
// skipped. A document that is not well-formed is an error naming source and
// the parser's reason with its line and column.
Result<ListLoad> ListFromText(std::string_view text, std::string_view source = "list");
// As ListFromText for a file; errors and item errors name the file.
Result<ListLoad> LoadListFile(const std::filesystem::path& path);

// The list as a document: the declaration, the `list` root with versionNo
// "1.0" and generated, one `item` per action with all 17 attributes.
std::string ListToText(const ActionList& actions);
// Writes ListToText to path atomically: on failure the error names the file
// and any existing file is left as it was.
Result<void> SaveListFile(const std::filesystem::path& path, const ActionList& actions);

} // namespace clickwisp
