#include "features/NewProject.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/Files.h"
#include "features/FeatureContext.h"
#include "projects/ProjectPaths.h"

namespace marrowick {
namespace {

namespace fs = std::filesystem;

void Failed(const FeatureContext& context, const std::string& description)
{
    context.dialogs.message("\r\n" + description, "Project Creation Failed", DialogIcon::Critical);
}

} // namespace

bool NewProject(const FeatureContext& context)
{
    const auto chosen = context.dialogs.chooseFolder("Select Project Folder");
    context.paths.BrowseFolder = chosen ? WithoutTrailingSeparator(*chosen) : std::string();
    if (context.paths.BrowseFolder.empty())
        return false;
    // A name that cannot be is said, and asked for again, until one is
    // given or the prompt is cancelled.
    std::string name;
    fs::path folder;
    std::error_code ec;
    for (std::string typedBefore;;) {
        const auto typed = context.dialogs.prompt("Enter Project Name", "New Project", typedBefore);
        if (!typed)
            return false;
        name = *typed;
        typedBefore = name;
        if (const NameFault fault = CheckProjectName(name)) {
            Failed(context, NameFaultText(fault, name));
            continue;
        }
        folder = PathFromUtf8(context.paths.BrowseFolder) / PathFromUtf8(name);
        if (fs::exists(fs::symlink_status(folder, ec))) {
            Failed(context, "A folder named " + name + " already exists in " +
                                WithNativeSeparators(context.paths.BrowseFolder) + ".");
            continue;
        }
        break;
    }
    if (!fs::create_directory(folder, ec) || ec) {
        Failed(context, ec ? ec.message() : "The folder could not be created.");
        return false;
    }
    context.paths.ProjectFolder = Utf8FromPath(folder) + static_cast<char>(fs::path::preferred_separator);
    context.paths.OpenProject = Utf8FromPath(folder);
    context.dialogs.message("Project Folder: " + name + " Created\r\n", "Project Creation Status", DialogIcon::None);
    return true;
}

std::string NameFaultText(const NameFault& fault, const std::string& name)
{
    using Kind = NameFault::Kind;
    switch (fault.kind) {
    case Kind::None:
        return {};
    case Kind::Empty:
        return "The project name is empty.";
    case Kind::OnlySpaces:
        return "A project name cannot be only spaces.";
    case Kind::Dots:
        return "\"" + name + "\" cannot be a project name.";
    case Kind::Separator:
        return "A project name cannot contain a path separator.";
    case Kind::Character: {
        const auto code = static_cast<unsigned char>(fault.character);
        return std::string("A project name cannot contain the character ") +
               (code < 32 ? "of code " + std::to_string(code) : "\"" + std::string(1, fault.character) + "\"") + ".";
    }
    case Kind::EndsInDotOrSpace:
        return "A project name cannot end in a dot or a space.";
    case Kind::DeviceName:
        return "\"" + name + "\" cannot be a project name: Windows keeps it for a device.";
    }
    return {};
}

} // namespace marrowick
