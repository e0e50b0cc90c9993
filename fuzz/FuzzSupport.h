#pragma once

// Helpers shared by the fuzz targets: a broken invariant aborts (so libFuzzer
// and the corpus replay both report it), inputs are cut into pieces at a marker,
// and folders below one per-process temporary folder are reused between runs.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "support/TempFolder.h"

namespace marrowick::fuzz {

[[noreturn]] inline void Broken(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::marrowick::fuzz::Broken(#condition, __FILE__, __LINE__);                                                 \
    } while (false)

// Several files or values in one input are separated by this marker.
inline constexpr std::string_view PieceMarker = "MRWK";

inline std::vector<std::string> SplitPieces(std::string_view input, std::size_t maxPieces)
{
    std::vector<std::string> pieces;
    while (pieces.size() + 1 < maxPieces) {
        const auto at = input.find(PieceMarker);
        if (at == std::string_view::npos)
            break;
        pieces.emplace_back(input.substr(0, at));
        input.remove_prefix(at + PieceMarker.size());
    }
    pieces.emplace_back(input);
    return pieces;
}

inline std::string AsString(const std::uint8_t* data, std::size_t size)
{
    return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

// The process's own scratch folder (marrowick-fuzz-PID-1 in the temporary
// folder), removed with everything in it when the process ends normally;
// libFuzzer, too, ends with exit().
inline const std::filesystem::path& ScratchRoot()
{
    static const testing::TempFolder root("marrowick-fuzz");
    return root.path;
}

// An empty folder `name` below the scratch folder; the same path every run.
inline std::filesystem::path FreshFolder(const std::string& name)
{
    const auto path = ScratchRoot() / name;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    std::filesystem::create_directories(path);
    return path;
}

} // namespace marrowick::fuzz
