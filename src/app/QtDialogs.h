#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/Dialogs.h"

namespace marrowick {

// Modal message boxes, the text prompt and the file and folder choosers,
// shown over the given window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const std::string& text, const std::string& caption, DialogIcon icon) override;
    bool question(Question id, const std::string& text, const std::string& caption, DialogIcon icon) override;
    std::optional<std::string> prompt(const std::string& text, const std::string& title,
                                      const std::string& defaultText) override;
    std::optional<std::string> chooseFolder(const std::string& title) override;
    std::vector<std::string> openFiles(const std::string& filter) override;
    // With an "Open Folder" button that shows the folder in the file manager.
    void failure(const std::string& text, const std::string& folder) override;
    bool confirm(Question id, const std::string& text, bool& askAgain) override;

    // "Sound Files (*.wav;*.mp3)|*.wav;*.mp3" as Qt writes a file filter.
    static QString QtFilter(const std::string& filter);

private:
    QPointer<QWidget> m_parent;
};

} // namespace marrowick
