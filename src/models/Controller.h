#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace marrowick {

// The two layouts of a show table: the K5's 163-byte reply and 164-byte write,
// and the 304-byte image of the R2 and the Lumen.
enum class TableLayout { K5, R2 };

// Everything else that differs between the models, so the rest of the program
// asks the model instead of comparing names.
struct ModelTraits {
    bool hasShowTable;      // the T7 has none
    TableLayout layout;     // table reply and write, and the show files
    bool asksSerialNumber;  // identification asks "Z"/"S" after the model
    bool usesConfigFile;    // projects carry 000.CFG
    int triggerInputs;      // trigger inputs whose action the table names: none, A, or A and B
    bool offersLibraryFile; // the SD-card library file is offered
    // Bytes of show data the controller holds at most, all shows together: no
    // table, file or reply that promises more is taken.
    std::int64_t showMemory;
};

// No model holds more than 16 MiB of shows.
inline constexpr std::int64_t ShowMemoryBytes = 16 * 1024 * 1024;

// What differs between the controller models. Each model returns constants.
class controller {
public:
    virtual ~controller() = default;
    virtual float AudioRam() const = 0;          // bytes of audio memory for the library
    virtual std::string Name() const = 0;        // "K5", "R2", "T7", "L+"
    virtual float ShowReadDataCount() const = 0; // bytes of one show-table reply
    virtual std::string FileExtension() const = 0;
    virtual const ModelTraits& Traits() const = 0;
};

class k5 : public controller {
public:
    float AudioRam() const override { return 4063232.0F; }
    std::string Name() const override { return "K5"; }
    float ShowReadDataCount() const override { return 163.0F; }
    std::string FileExtension() const override { return ".K5S"; }
    const ModelTraits& Traits() const override;
};

class r2 : public controller {
public:
    float AudioRam() const override { return 8192000.0F; }
    std::string Name() const override { return "R2"; }
    float ShowReadDataCount() const override { return 304.0F; }
    std::string FileExtension() const override { return ".R2S"; }
    const ModelTraits& Traits() const override;
};

class t7 : public controller {
public:
    float AudioRam() const override { return 4063232.0F; }
    std::string Name() const override { return "T7"; }
    float ShowReadDataCount() const override { return 163.0F; }
    std::string FileExtension() const override { return ""; }
    const ModelTraits& Traits() const override;
};

class Lumen : public controller {
public:
    float AudioRam() const override { return 8192000.0F; }
    std::string Name() const override { return "L+"; }
    float ShowReadDataCount() const override { return 304.0F; }
    std::string FileExtension() const override { return ".LMP"; }
    const ModelTraits& Traits() const override;
};

// The model object for a model reply ("K5", "R2", "T7", "L+"); null for anything else.
std::unique_ptr<controller> MakeController(const std::string& modelReply);

// A model as a person names it on a command line: "K5", "r2", "T7", "L+",
// "Lumen" in any letter case; null for anything else.
std::unique_ptr<controller> ModelNamed(std::string text);

// One object of each model, in the order the Firmware tab shows their frames.
std::span<const controller* const> AllModels();

} // namespace marrowick
