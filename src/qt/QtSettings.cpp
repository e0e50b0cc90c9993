#include "qt/QtSettings.h"

namespace marrowick {

QtSettings::QtSettings()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("marrowick"), QStringLiteral("marrowick")))
{
}

QtSettings::QtSettings(const QString& iniFile) : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

std::string QtSettings::value(const std::string& section, const std::string& key, const std::string& defaultValue) const
{
    const QString path = QString::fromStdString(section + "/" + key);
    return m_settings->value(path, QString::fromStdString(defaultValue)).toString().toStdString();
}

void QtSettings::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    m_settings->setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
    m_settings->sync();
}

} // namespace marrowick
