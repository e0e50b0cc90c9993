// Writes the well-formed seeds of the fuzz corpus from the program's own
// formats: table replies of the simulated controller, project folders saved by
// the program after a read, the start and end of a firmware image, settings and
// a drop list, sound files. Usage: fuzz_make_seeds FUZZ_FOLDER (writes FUZZ_FOLDER/corpus/...).

#include <fstream>
#include <iostream>

#include "FuzzSupport.h"
#include "features/ShowsFeature.h"
#include "firmware/EmbeddedImages.h"
#include "projects/ConfigFile.h"
#include "projects/ProjectFiles.h"
#include "projects/ProjectPaths.h"
#include "projects/ShowFiles.h"
#include "support/Harness.h"
#include "support/SoundFiles.h"
#include "support/TempFolder.h"

using namespace marrowick;
using namespace marrowick::testing;

namespace {

std::filesystem::path corpus;

void Seed(const std::string& target, const std::string& name, const std::string& bytes)
{
    std::filesystem::create_directories(corpus / target);
    WriteFile(corpus / target / ("seed-" + name), bytes);
}

// The sample controller with shorter shows, so the seeds stay small.
ControllerState SmallState(const std::string& model, bool ambient, int showCount)
{
    ControllerState state = SampleControllerState(model);
    const std::uint32_t lengths[] = {120, 700, 0, 260, 5, 1, 0, 33, 64, 2, 9};
    std::uint32_t address = 0x1000;
    state.ambient = ambient;
    state.showCount = static_cast<std::uint8_t>(showCount);
    for (std::size_t i = 0; i <= static_cast<std::size_t>(showCount) && i < state.shows.size(); ++i) {
        SimShow& show = state.shows[i];
        show.start = address;
        show.length = lengths[i];
        show.data.resize(lengths[i]);
        for (std::size_t k = 0; k < show.data.size(); ++k)
            show.data[k] = static_cast<char>((k * 37 + i * 11) & 0xFF);
        address += lengths[i];
    }
    return state;
}

// What the controller sends for a whole read: the table, then each show's data.
std::string ReadStream(const ControllerState& state)
{
    ControllerSimulator simulator(state);
    std::string stream = simulator.TableReply();
    for (int show = state.ambient ? 0 : 1; show <= state.showCount; ++show)
        stream += state.shows[static_cast<std::size_t>(show)].data;
    return stream;
}

// The show_data input for that stream: model byte, then bursts of `burst` bytes
// each followed by the pause given.
std::string Bursts(bool r2, const std::string& stream, std::size_t burst, std::uint8_t pause)
{
    std::string input(1, r2 ? '\x01' : '\x00');
    for (std::size_t at = 0; at < stream.size(); at += burst) {
        const std::string piece = stream.substr(at, burst);
        input += static_cast<char>(piece.size());
        input += static_cast<char>(pause);
        input += piece;
    }
    return input;
}

// The files of a project saved by the program after reading `state`, in show order.
std::map<std::string, std::string> SavedProject(const ControllerState& state)
{
    Harness h(state);
    h.Identify();
    h.session.commands().Click(control::btnReadShows);
    h.clock.RunUntilIdle();
    TempFolder folder("marrowick-seeds");
    std::vector<FileEvent> events;
    if (!SaveAllShows({U8Text(folder.path.parent_path()), folder.Str() + "/"}, *MakeController(state.model),
                      h.session.shows().State(), events))
        std::cerr << "saving the seed project failed\n";
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

std::string Joined(const std::vector<std::string>& pieces)
{
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        out += (i == 0 ? "" : std::string(fuzz::PieceMarker)) + pieces[i];
    return out;
}

std::string ShowFilePieces(const std::map<std::string, std::string>& files, const std::string& extension,
                           bool withConfig)
{
    std::vector<std::string> pieces;
    if (withConfig)
        pieces.push_back(files.count(ConfigFileName) ? files.at(ConfigFileName) : "");
    int last = -1;
    for (int show = 0; show < BlocksPerTable; ++show)
        if (files.count(ShowFileName(show, extension)))
            last = show;
    for (int show = 0; show <= last; ++show) {
        const auto found = files.find(ShowFileName(show, extension));
        pieces.push_back(found == files.end() ? "" : found->second);
    }
    return Joined(pieces);
}

std::string Clip(bool real, std::uint32_t size, const std::string& name)
{
    std::string piece(1, real ? '\x01' : '\x00');
    if (real)
        for (int k = 0; k < 3; ++k)
            piece += static_cast<char>((size >> (8 * k)) & 0xFF);
    return piece + name;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: fuzz_make_seeds FUZZ_FOLDER\n";
        return 2;
    }
    corpus = std::filesystem::path(argv[1]) / "corpus";

    const ControllerState k5 = SmallState("K5", true, 3);
    const ControllerState k5Plain = SmallState("K5", false, 5);
    ControllerState r2 = SmallState("R2", true, 3);
    ControllerState r2Full = SmallState("R2", false, 9);
    r2Full.normallyClosed = true;

    Seed("table_reply_k5", "sample", ControllerSimulator(k5).TableReply());
    Seed("table_reply_k5", "no-ambient", ControllerSimulator(k5Plain).TableReply());
    Seed("table_reply_k5", "empty", ControllerSimulator(SmallState("K5", false, 0)).TableReply());
    Seed("table_reply_r2", "sample", ControllerSimulator(r2).TableReply());
    Seed("table_reply_r2", "nine-shows", ControllerSimulator(r2Full).TableReply());

    Seed("show_data", "k5", Bursts(false, ReadStream(k5), 200, 0));
    Seed("show_data", "k5-small-bursts", Bursts(false, ReadStream(k5Plain), 7, 1));
    Seed("show_data", "r2", Bursts(true, ReadStream(r2), 255, 2));
    // The controller stops halfway: the read times out.
    const std::string half = ReadStream(r2Full);
    Seed("show_data", "r2-stops", Bursts(true, half.substr(0, half.size() / 2), 100, 255));

    const auto k5Files = SavedProject(k5);
    const auto k5PlainFiles = SavedProject(k5Plain);
    const auto r2Files = SavedProject(r2);
    const auto r2FullFiles = SavedProject(r2Full);
    Seed("config_file", "sample", r2Files.at(ConfigFileName));
    Seed("config_file", "nine-shows", r2FullFiles.at(ConfigFileName));
    Seed("show_files_k5", "sample", ShowFilePieces(k5Files, ".K5S", false));
    Seed("show_files_k5", "no-ambient", ShowFilePieces(k5PlainFiles, ".K5S", false));
    Seed("show_files_r2", "sample", ShowFilePieces(r2Files, ".R2S", true));
    Seed("show_files_r2", "nine-shows", ShowFilePieces(r2FullFiles, ".R2S", true));

    // The first and last lines of a real image: data records, the extended
    // address record, the end-of-file record, the comment lines and the padding.
    const std::string image(*FindEmbeddedImage(101));
    std::size_t head = 0;
    for (int line = 0; line < 24; ++line)
        head = image.find('\n', head) + 1;
    std::size_t tail = image.size();
    for (int line = 0; line < 8; ++line)
        tail = image.rfind('\n', tail - 1);
    Seed("firmware_image", "101-ends", image.substr(0, head) + image.substr(tail + 1));
    Seed("firmware_image", "eof-only", ":00000001FF\r\n");

    Seed("settings", "port-and-debug", Joined({"3", "true"}));
    Seed("settings", "port-only", "12");
    Seed("settings", "spaced", Joined({" +7 ", "FALSE"}));
    Seed("settings", "words", Joined({"COM3", "1"}));
    Seed("settings", "device", Joined({"0", "false", "/dev/pts/7"}));

    Seed("dropped_files", "clips",
         Joined({Clip(true, 4000, "intro.mp3"), Clip(true, 900, "door.MP3"), Clip(true, 100, "notes.wav"),
                 Clip(false, 0, "/no/such/folder/gone.mp3"), Clip(true, 3000000, "big.mp3")}));
    Seed("dropped_files", "too-large", Joined({Clip(true, 0xFFFFFF, "huge.mp3"), Clip(true, 10, "small.mp3")}));

    Seed("clip_format", "wav", WavBytes(8000, 1, 16, 200));
    Seed("clip_format", "mp3-xing", Mp3Bytes({48000, false, {128, 256, 128}, true, 0, 3}));
    Seed("clip_format", "mp3-mono", Mp3Bytes({22050, true, {32, 64}, false, 0, 3}));
    Seed("clip_format", "mp2", Mp3Bytes({48000, false, {192, 192}, false, 0, 2}));
    return 0;
}
