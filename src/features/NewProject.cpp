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

// Windows keeps these names for devices, with or without an extension and in
// any letter case: "con.txt" names the console there, not a file.
bool IsDeviceName(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

// Why `name` cannot be a project folder's name; empty when it can. Names that
// Windows refuses are refused everywhere, so a project can move between computers.
std::string NameProblem(const std::string& name)
{
    if (name.empty())
        return "The project name is empty.";
    if (name.find_first_not_of(' ') == std::string::npos)
        return "A project name cannot be only spaces.";
    if (name == "." || name == "..")
        return "\"" + name + "\" cannot be a project name.";
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\')
            return "A project name cannot contain a path separator.";
        if (code < 32 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
            return std::string("A project name cannot contain the character ") +
                   (code < 32 ? "of code " + std::to_string(code) : "\"" + std::string(1, c) + "\"") + ".";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "A project name cannot end in a dot or a space.";
    if (IsDeviceName(name))
        return "\"" + name + "\" cannot be a project name: Windows keeps it for a device.";
    return {};
}

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
    const auto typed = context.dialogs.prompt("Enter Project Name", "New Project", "");
    if (!typed)
        return false;
    const std::string& name = *typed;
    if (const std::string problem = NameProblem(name); !problem.empty()) {
        Failed(context, problem);
        return false;
    }
    const fs::path folder = PathFromUtf8(context.paths.BrowseFolder) / PathFromUtf8(name);
    std::error_code ec;
    if (fs::exists(folder, ec)) {
        Failed(context, "A folder named " + name + " already exists in " +
                            WithNativeSeparators(context.paths.BrowseFolder) + ".");
        return false;
    }
    if (!fs::create_directory(folder, ec) || ec) {
        Failed(context, ec ? ec.message() : "The folder could not be created.");
        return false;
    }
    context.paths.ProjectFolder = Utf8FromPath(folder) + static_cast<char>(fs::path::preferred_separator);
    context.dialogs.message("Project Folder: " + name + " Created\r\n", "Project Creation Status", DialogIcon::None);
    return true;
}

} // namespace marrowick
