#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/View.h"

namespace marrowick {

// The core's View over a window's widget tree: every control is found by its
// object name, so the window needs no code per control.
class QtView : public View {
public:
    explicit QtView(QWidget& window) : m_window(&window) {}

    // Always shown in the title, whatever caption the program sets (a simulated controller says so).
    void setCaptionSuffix(const QString& suffix);

    void setWindowCaption(const std::string& text) override;
    void setStatus(int panel, const std::string& text) override;
    void setProgressMaximum(double maximum) override;
    void setProgressValue(double value) override;
    void setCaption(const std::string& control, const std::string& text) override;
    void setVisible(const std::string& control, bool visible) override;
    void setEnabled(const std::string& control, bool enabled) override;
    void setTabEnabled(int tab, bool enabled) override;
    void setFillColor(const std::string& control, Rgb colour) override;
    void setRows(const std::string& control, const std::vector<std::vector<std::string>>& rows) override;
    int selectedOption(const std::string& optionArray) const override;
    void closeWindow() override;

private:
    template <typename W = QWidget> W* Find(const std::string& control) const;

    QPointer<QWidget> m_window;
    QString m_captionSuffix;
};

} // namespace marrowick
