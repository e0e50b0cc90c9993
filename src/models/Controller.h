#pragma once

#include <memory>
#include <string>

namespace marrowick {

// What differs between the controller models. Each model returns constants.
class controller {
public:
    virtual ~controller() = default;
    virtual float AudioRam() const = 0;          // bytes of audio memory for the library
    virtual std::string Name() const = 0;        // "K5", "R2", "T7", "L+"
    virtual float ShowReadDataCount() const = 0; // bytes of one show-table reply
    virtual std::string FileExtension() const = 0;
};

class k5 : public controller {
public:
    float AudioRam() const override { return 4063232.0F; }
    std::string Name() const override { return "K5"; }
    float ShowReadDataCount() const override { return 163.0F; }
    std::string FileExtension() const override { return ".K5S"; }
};

class r2 : public controller {
public:
    float AudioRam() const override { return 8192000.0F; }
    std::string Name() const override { return "R2"; }
    float ShowReadDataCount() const override { return 304.0F; }
    std::string FileExtension() const override { return ".R2S"; }
};

class t7 : public controller {
public:
    float AudioRam() const override { return 4063232.0F; }
    std::string Name() const override { return "T7"; }
    float ShowReadDataCount() const override { return 163.0F; }
    std::string FileExtension() const override { return ""; }
};

class Lumen : public controller {
public:
    float AudioRam() const override { return 8192000.0F; }
    std::string Name() const override { return "L+"; }
    float ShowReadDataCount() const override { return 304.0F; }
    std::string FileExtension() const override { return ".LMP"; }
};

// The model object for a model reply ("K5", "R2", "T7", "L+"); null for anything else.
std::unique_ptr<controller> MakeController(const std::string& modelReply);

} // namespace marrowick
