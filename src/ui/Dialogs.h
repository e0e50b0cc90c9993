#pragma once

#include <optional>
#include <string>
#include <vector>

namespace marrowick {

enum class DialogIcon { None, Question, Critical, Information };

// The Yes/No questions the program asks. Whoever answers without a person
// (the command line, tests) goes by these, never by the wording.
enum class Question {
    IsK5Controller,   // the model reply was missing or unknown
    SaveShows,        // after every show was read
    FullSizeSdCard,   // the firmware version exists for two SD cards
    MicroSdCard,      // ... and the full-size card was declined
    ResetController,  // the firmware is in; reset now?
    UnconfirmedModel, // firmware for a K5 that did not say its model itself
    WriteShows,       // the write replaces the controller's shows (no backup, no check)
    DownloadFirmware, // the image, its version and the controller's named
    StopAndClose,     // the window is closed while a conversation runs
    SaveLibraryHere,  // 000.LIB into the project that is open
    LoseEdits,        // edits of the show table that are not saved would be thrown away
};

// The program's title as message boxes carry it, and the main window's caption.
inline constexpr const char* AppTitle = "Marrowick";
inline constexpr const char* MainCaption = "Marrowick Interface Utility";

// Modal dialogs. Tests answer them from a script; the window shows real ones.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void message(const std::string& text, const std::string& caption, DialogIcon icon) = 0;
    // Yes/No question; true for Yes.
    virtual bool question(Question id, const std::string& text, const std::string& caption, DialogIcon icon) = 0;
    // Text prompt; nullopt when cancelled.
    virtual std::optional<std::string> prompt(const std::string& text, const std::string& title,
                                              const std::string& defaultText) = 0;
    // Folder chooser; nullopt when cancelled.
    virtual std::optional<std::string> chooseFolder(const std::string& title) = 0;
    // Open-files dialog with several files allowed; empty when cancelled.
    virtual std::vector<std::string> openFiles(const std::string& filter) = 0;

    // A failure that left the controller or a file worse than before, with the
    // folder where what was kept is (a backup; may be empty), which the
    // window offers to open.
    virtual void failure(const std::string& text, const std::string& folder)
    {
        message(folder.empty() ? text : text + "\r\n\r\n" + folder, AppTitle, DialogIcon::Critical);
    }
    // A Yes/No question with a "Do not ask again" box: `askAgain` is cleared
    // when the person ticks it.
    virtual bool confirm(Question id, const std::string& text, bool& askAgain)
    {
        (void)askAgain;
        return question(id, text, AppTitle, DialogIcon::Question);
    }
};

} // namespace marrowick
