#pragma once

#include <QSettings>
#include <QString>
#include <memory>

#include "platform/Settings.h"

namespace marrowick {

// The per-user settings store of the platform, application "marrowick".
// A file path puts it elsewhere (tests keep it in a temporary folder).
class QtSettings : public Settings {
public:
    QtSettings();
    explicit QtSettings(const QString& iniFile);

    std::string value(const std::string& section, const std::string& key,
                      const std::string& defaultValue) const override;
    void setValue(const std::string& section, const std::string& key, const std::string& value) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace marrowick
