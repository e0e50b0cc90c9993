#pragma once

#include <string>

#include "projects/ProjectPaths.h"

namespace marrowick {

struct FeatureContext;

// Asks for a parent folder and a project name and creates the project folder;
// sets BrowseFolder and ProjectFolder. True when a new project
// folder exists afterwards; false when the user cancelled or it could not be
// made (the user has been told why).
bool NewProject(const FeatureContext& context);

// Why `name` cannot name a project folder, in words: "A project name cannot end
// in a dot or a space."
std::string NameFaultText(const NameFault& fault, const std::string& name);

} // namespace marrowick
