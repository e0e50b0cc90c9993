#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "library/AudioLibrary.h"
#include "link/Conversation.h"

namespace marrowick {

class Session;
class ClipTransfer;

// The "Audio Library" tab: the clip list, the SD-card library file 000.LIB and
// the transfer of the clips to the controller over the serial line.
class LibraryFeature {
public:
    static constexpr const char* SoundFilter = "Sound Files (*.wav;*.mp3)|*.wav;*.mp3";
    static constexpr const char* LibraryFileName = "000.LIB";

    explicit LibraryFeature(Session& session);
    ~LibraryFeature();

    AudioLibrary& Library() { return m_library; }
    ClipTransfer& Transfer() { return *m_transfer; }

    // The tab's commands.
    void SelectAudioClips();
    void AddDroppedClips(const std::vector<std::string>& files);
    void ClearLibrary();
    void SaveLibraryFile();
    void SendClips();

    // Replaces the library with these files by the open-files dialog's rules.
    SelectionResult TakeFiles(const std::vector<std::string>& paths);
    // Writes the library as 000.LIB into an existing folder.
    Outcome SaveLibraryTo(const std::filesystem::path& folder);
    // Loads the clips and starts the transfer. Not ok with an empty message when
    // there is nothing to do (link busy, port closed, empty library).
    Outcome StartSending();

private:
    float AudioRam() const;
    std::vector<std::vector<std::string>> ListRows() const;
    void Report(const std::string& problem);

    Session& m_session;
    AudioLibrary m_library;
    std::unique_ptr<ClipTransfer> m_transfer;
};

} // namespace marrowick
