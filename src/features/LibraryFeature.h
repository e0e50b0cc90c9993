#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/Result.h"
#include "conversations/ClipTransfer.h"
#include "features/FeatureContext.h"
#include "features/LibraryPresenter.h"
#include "library/AudioLibrary.h"

namespace marrowick {

// The "Audio Library" tab: the clip list, the SD-card library file 000.LIB and
// the transfer of the clips to the controller over the serial line.
class LibraryFeature {
public:
    static constexpr const char* SoundFilter = "Sound Files (*.wav;*.mp3)|*.wav;*.mp3";
    static constexpr const char* LibraryFileName = "000.LIB";

    explicit LibraryFeature(FeatureContext& context);

    AudioLibrary& Library() { return m_library; }
    ClipTransfer& Transfer() { return m_transfer; }
    LibraryPresenter& Presenter() { return m_presenter; }

    // The tab's commands. While the clips are being sent, the list is not
    // changed by any of them: what goes out is what the list shows.
    void SelectAudioClips();
    void AddDroppedClips(const std::vector<std::string>& files);
    void ClearLibrary();
    void SaveLibraryFile();
    void SendClips();
    // "Remove Clip" and the Delete key: the selected clips leave the library.
    void RemoveSelectedClips();
    // "Play" and a double click: the first selected clip in the system's own player.
    void PlaySelectedClip();
    // Rows dragged to a new place: the clips and their numbers follow.
    void MoveClipRows(const std::vector<int>& rows, int before);
    // The capacity bar under the list, for the model the window is set up for.
    void ShowCapacity();
    // The clips that do not fit the audio memory of the model the window is
    // set up for, worded; empty when all fit. Sending and saving refuse them.
    std::string ClipsBeyond() const;

    // Replaces the library with these files by the open-files dialog's rules.
    SelectionResult TakeFiles(const std::vector<std::string>& paths);
    // Writes the library as 000.LIB into an existing folder; the problem, worded, when it cannot.
    Result SaveLibraryTo(const std::filesystem::path& folder, std::string* problem = nullptr);
    Result SaveLibraryTo(const std::string&, std::string*) = delete; // PathFromUtf8 says what the text is
    // Loads the clips and starts the transfer. Busy when there is nothing to do
    // (link busy, port closed, empty library); the problem, worded, when a clip cannot be loaded.
    Result StartSending(std::string* problem = nullptr);

private:
    float AudioRam() const;
    bool Locked() const { return m_transfer.Running(); }
    void Report(const std::string& problem);

    FeatureContext& m_context;
    LibraryPresenter m_presenter;
    AudioLibrary m_library;
    ClipTransfer m_transfer;
};

} // namespace marrowick
