#include "app/controller_view.h"

#include <filesystem>
#include <system_error>

namespace clickwisp {

namespace {

bool fileExists(const std::string& name)
{
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(name), error);
}

} // namespace

std::optional<std::string> PromptOpenFile(
    ControllerView& view, const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    auto name = view.chooseOpenFile(defaultExt, filter, initialName);
    if (!name)
        return std::nullopt;
    if (!fileExists(*name)) {
        view.showMessage("The file does not exist.", ControllerView::MessageKind::Notice);
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> PromptSaveFile(
    ControllerView& view, const std::string& defaultExt, const std::string& filter, const std::string& initialName)
{
    auto name = view.chooseSaveFile(defaultExt, filter, initialName);
    if (!name)
        return std::nullopt;
    if (fileExists(*name) && !view.askYesNo("A file with the same name already exists,overwrite?"))
        return std::nullopt;
    return name;
}

} // namespace clickwisp
