#pragma once

#include <optional>
#include <string>
#include <vector>

namespace marrowick {

enum class DialogIcon { None, Question, Critical, Information };

// Modal dialogs. Tests answer them from a script; the window shows real ones.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const std::string& text, const std::string& caption, DialogIcon icon) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(const std::string& text, const std::string& caption, DialogIcon icon) = 0;
    // Text prompt; nullopt when cancelled.
    virtual std::optional<std::string> prompt(const std::string& text, const std::string& title,
                                              const std::string& defaultText) = 0;
    // Folder chooser; nullopt when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& title) = 0;
    // Open-files dialog with several files allowed; empty when cancelled.
    virtual std::vector<std::string> openFiles(const std::string& filter) = 0;
};

} // namespace marrowick
