#include "peer/StoredFiles.h"

#include <cstdio>

namespace marrowick {

std::vector<std::pair<std::string, std::string>> StoredFiles(const ControllerSimulator& sim,
                                                             std::optional<double> firmwareSeconds)
{
    std::vector<std::pair<std::string, std::string>> files;
    const auto& state = sim.state();
    files.emplace_back("table.bin", sim.TableReply());
    files.emplace_back("library.bin", state.library);
    for (std::size_t i = 0; i < state.shows.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "show-%03zu.bin", i);
        files.emplace_back(name, state.shows[i].data);
    }
    std::string records;
    for (const auto& record : state.firmwareRecords) {
        records += ':';
        for (std::size_t i = 1; i < record.size(); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(record[i]));
            records += hex;
        }
        records += "\n";
    }
    files.emplace_back("firmware.txt", records);
    std::string summary = "requests " + sim.requests + "\n";
    summary += "firmware_complete " + std::to_string(state.firmwareComplete ? 1 : 0) + "\n";
    summary += "firmware_aborted " + std::to_string(state.firmwareAborted ? 1 : 0) + "\n";
    summary += "reset " + std::to_string(state.resetRequested ? 1 : 0) + "\n";
    summary += "library_complete " + std::to_string(state.libraryComplete ? 1 : 0) + "\n";
    summary += "sector " + std::to_string(state.sectorFlag) + "\n";
    summary += std::string("trigger ") + (state.normallyClosed ? "closed" : "open") + "\n";
    if (firmwareSeconds) {
        char line[64];
        std::snprintf(line, sizeof line, "firmware_seconds %.6f\n", *firmwareSeconds);
        summary += line;
    }
    files.emplace_back("summary.txt", summary);
    return files;
}

} // namespace marrowick
