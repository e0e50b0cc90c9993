#include "library/AudioLibrary.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Files.h"
#include "link/Encoding.h"

namespace marrowick {
namespace {

// Byte totals are compared as the 32-bit floats the controller's sizes are held in.
bool Fits(double bytesNeeded, float audioRam)
{
    return static_cast<float>(bytesNeeded) <= audioRam;
}

bool EndsInMp3(const std::string& path)
{
    if (path.size() < 3)
        return false;
    std::string tail = path.substr(path.size() - 3);
    for (char& c : tail)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail == "MP3";
}

} // namespace

std::vector<AudioClip> AudioLibrary::InOrder() const
{
    return {Clips.begin() + 1, Clips.begin() + 1 + std::clamp<int>(ClipCount, 0, MaxClips)};
}

namespace {

// Puts `clips` in as the library, in this order, with the byte total added up
// as the clips were added one by one.
void Replace(AudioLibrary& library, const std::vector<AudioClip>& clips)
{
    library.Clear();
    for (const AudioClip& clip : clips) {
        ++library.ClipCount;
        library.Clips[static_cast<std::size_t>(library.ClipCount)] = clip;
        library.LibraryBytes = static_cast<float>(double{library.LibraryBytes} + clip.Size);
    }
}

bool Listed(const std::vector<int>& numbers, int number)
{
    return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

} // namespace

void RemoveClips(AudioLibrary& library, const std::vector<int>& clipNumbers)
{
    std::vector<AudioClip> kept;
    for (int i = 1; i <= library.ClipCount; ++i)
        if (!Listed(clipNumbers, i))
            kept.push_back(library.Clips[static_cast<std::size_t>(i)]);
    Replace(library, kept);
}

void MoveClips(AudioLibrary& library, const std::vector<int>& clipNumbers, int before)
{
    std::vector<AudioClip> moved;
    std::vector<AudioClip> rest;
    int insertAt = 0; // among the clips that stay
    for (int i = 1; i <= library.ClipCount; ++i) {
        const AudioClip& clip = library.Clips[static_cast<std::size_t>(i)];
        if (Listed(clipNumbers, i)) {
            moved.push_back(clip);
        } else {
            if (i < before)
                ++insertAt;
            rest.push_back(clip);
        }
    }
    rest.insert(rest.begin() + insertAt, moved.begin(), moved.end());
    Replace(library, rest);
}

double LibraryFootprint(const AudioLibrary& library)
{
    return double{library.LibraryBytes} + double{ClipEntryBytes} * library.ClipCount;
}

int FirstClipBeyond(const AudioLibrary& library, float audioRam)
{
    double used = 0;
    const std::vector<AudioClip> clips = library.InOrder();
    for (std::size_t i = 0; i < clips.size(); ++i) {
        used += double{clips[i].Size} + ClipEntryBytes;
        if (used > double{audioRam})
            return static_cast<int>(i) + 1;
    }
    return 0;
}

double LibraryPlayingTime(const AudioLibrary& library)
{
    double seconds = 0;
    for (const AudioClip& clip : library.InOrder())
        seconds += clip.Format.seconds;
    return seconds;
}

std::int64_t MeasureFile(const std::string& path, std::string* error)
{
    const auto size = RegularFileSize(PathFromUtf8(path), error);
    return size ? static_cast<std::int64_t>(*size) : -1;
}

std::string FileTitle(const std::string& path)
{
    return Utf8FromPath(PathFromUtf8(path).filename());
}

void SortAsListed(std::vector<std::string>& paths)
{
    // Compares names as a person reads them: letters without their case, and a
    // run of digits by its value.
    const auto before = [](const std::string& a, const std::string& b) {
        std::size_t i = 0;
        std::size_t j = 0;
        while (i < a.size() && j < b.size()) {
            const auto ca = static_cast<unsigned char>(a[i]);
            const auto cb = static_cast<unsigned char>(b[j]);
            if (std::isdigit(ca) != 0 && std::isdigit(cb) != 0) {
                std::size_t ei = i;
                std::size_t ej = j;
                while (ei < a.size() && a[ei] == '0')
                    ++ei;
                while (ej < b.size() && b[ej] == '0')
                    ++ej;
                std::size_t ni = ei;
                std::size_t nj = ej;
                while (ni < a.size() && std::isdigit(static_cast<unsigned char>(a[ni])) != 0)
                    ++ni;
                while (nj < b.size() && std::isdigit(static_cast<unsigned char>(b[nj])) != 0)
                    ++nj;
                if (ni - ei != nj - ej)
                    return ni - ei < nj - ej;
                const int order = a.compare(ei, ni - ei, b, ej, nj - ej);
                if (order != 0)
                    return order < 0;
                i = ni;
                j = nj;
                continue;
            }
            const int la = std::tolower(ca);
            const int lb = std::tolower(cb);
            if (la != lb)
                return la < lb;
            ++i;
            ++j;
        }
        return a.size() - i < b.size() - j;
    };
    std::stable_sort(paths.begin(), paths.end(), [&](const std::string& a, const std::string& b) {
        const std::string nameA = FileTitle(a);
        const std::string nameB = FileTitle(b);
        if (before(nameA, nameB) || before(nameB, nameA))
            return before(nameA, nameB);
        return a < b;
    });
}

SelectionResult SelectFiles(AudioLibrary& library, const std::vector<std::string>& paths, float audioRam)
{
    SelectionResult result;
    if (paths.empty())
        return result;
    AudioLibrary taken;
    const int count = std::min<int>(static_cast<int>(paths.size()), MaxClips);
    for (int i = 1; i <= count; ++i) {
        const std::string& path = paths[static_cast<std::size_t>(i - 1)];
        std::string why;
        const std::int64_t size = MeasureFile(path, &why);
        if (size < 0) {
            result.problems.push_back({ClipProblem::Kind::CannotOpen, path, why, 0, 0, 0, 0});
            break;
        }
        const double needed = double{ClipEntryBytes} * i + taken.LibraryBytes + static_cast<double>(size);
        if (!Fits(needed, audioRam)) {
            const double left = std::max(0.0, double{audioRam} - taken.LibraryBytes - double{ClipEntryBytes} * i);
            result.problems.push_back({ClipProblem::Kind::TooLarge, path, {}, size, left, 0, 0});
            for (int later = i; later < count; ++later)
                result.notAdded.push_back(paths[static_cast<std::size_t>(later)]);
            break;
        }
        taken.Clips[static_cast<std::size_t>(i)] = {path, static_cast<float>(size), ReadClipFormat(path)};
        taken.LibraryBytes = static_cast<float>(double{taken.LibraryBytes} + static_cast<double>(size));
        taken.ClipCount = static_cast<std::int16_t>(i);
    }
    // One file that does not fit is of no use: the library stays as it was.
    if (paths.size() == 1 && taken.ClipCount == 0)
        return result;
    library = taken;
    result.changed = true;
    return result;
}

std::vector<ClipProblem> WholeLibraryProblems(const std::vector<std::string>& paths, float audioRam)
{
    std::vector<ClipProblem> problems;
    if (paths.size() > static_cast<std::size_t>(MaxClips))
        problems.push_back({ClipProblem::Kind::TooMany, {}, {}, 0, 0, 0, static_cast<int>(paths.size())});
    double taken = 0;
    int entries = 0;
    for (const std::string& path : paths) {
        std::string why;
        const std::int64_t size = MeasureFile(path, &why);
        // Opened only once it is known to be a regular file: a FIFO would wait for a writer.
        if (size >= 0 && !std::ifstream(PathFromUtf8(path), std::ios::binary))
            why = std::strerror(errno);
        if (!why.empty()) {
            problems.push_back({ClipProblem::Kind::CannotOpen, path, why, 0, 0, 0, 0});
            continue;
        }
        const double needed = double{ClipEntryBytes} * (entries + 1) + taken + static_cast<double>(size);
        if (!Fits(needed, audioRam)) {
            const double left = std::max(0.0, double{audioRam} - taken - double{ClipEntryBytes} * (entries + 1));
            problems.push_back({ClipProblem::Kind::TooLarge, path, {}, size, left, 0, 0});
            continue;
        }
        taken += static_cast<double>(size);
        ++entries;
    }
    return problems;
}

std::vector<int> AddDropped(AudioLibrary& library, const std::vector<std::string>& files, float audioRam)
{
    std::vector<int> taken;
    int n = library.ClipCount;
    for (std::size_t j = 0; j < files.size() && n < MaxClips; ++j) {
        const std::string& path = files[j];
        if (!EndsInMp3(path))
            continue;
        const std::int64_t size = MeasureFile(path, nullptr);
        if (size < 0)
            continue;
        // The new clip's entry and those of every clip already held take memory too.
        if (!Fits(double{ClipEntryBytes} * (n + 1) + library.LibraryBytes + static_cast<double>(size), audioRam))
            continue;
        ++n;
        library.Clips[static_cast<std::size_t>(n)] = {path, static_cast<float>(size), ReadClipFormat(path)};
        library.LibraryBytes = static_cast<float>(double{library.LibraryBytes} + static_cast<double>(size));
        taken.push_back(static_cast<int>(j) + 1);
    }
    library.ClipCount = static_cast<std::int16_t>(n);
    return taken;
}

} // namespace marrowick
