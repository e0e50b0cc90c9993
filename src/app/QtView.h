#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/View.h"

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
    void setCaption(Control control, const std::string& text) override;
    void setVisible(Control control, bool visible) override;
    void setAvailable(Control control, const std::string& whyNot) override;
    void setChecked(Control checkBox, bool checked) override;
    void setTabEnabled(int tab, bool enabled) override;
    void setFillColor(Control control, Rgb colour) override;
    void setRows(Control control, const std::vector<std::vector<std::string>>& rows) override;
    void markRows(Control list, const std::vector<std::string>& warnings) override;
    void setEditableCells(Control list, const std::vector<std::vector<int>>& cells, int maximum) override;
    void setChoices(Control choice, const std::vector<std::string>& items, int selected) override;
    std::vector<int> selectedRows(Control list) const override;
    void setMeter(Control bar, double maximum, double value, const std::string& text, bool warning) override;
    int selectedOption(Control optionArray) const override;
    void openFile(const std::string& path) override;
    void closeWindow() override;

private:
    template <typename W = QWidget> W* Find(const char* name) const;

    QPointer<QWidget> m_window;
    QString m_captionSuffix;
};

} // namespace marrowick
