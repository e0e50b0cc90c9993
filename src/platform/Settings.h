#pragma once

#include <string>

namespace marrowick {

// The per-user settings store: text values by section and key.
class Settings {
public:
    virtual ~Settings() = default;
    virtual std::string value(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const = 0;
    virtual void setValue(const std::string& section, const std::string& key, const std::string& value) = 0;
};

} // namespace marrowick
