#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "link/StateEngine.h"
#include "log/LogFile.h"
#include "platform/Clock.h"

class QCheckBox;
class QTextEdit;

namespace marrowick {

struct LogLine;

// The developer's log window `frmprogress`: shows the log in colour,
// sets which levels are written, counts repeats, saves the log as RTF and
// forces the link state. Closing it ends logging for the run.
class LogWindow : public QWidget {
    Q_OBJECT
public:
    // `forceState` is what a click on a state option asks for.
    using ForceState = std::function<void(LinkState state)>;
    LogWindow(LogModel& log, Clock& clock, ForceState forceState, LogFolders folders);
    ~LogWindow() override;

    // `debuglevel`: bit 2^i set while level box i is checked.
    int debuglevel() const;
    // Saves the log (`SaveLog`); a failure is told in the log itself.
    void SaveLog();
    // Told why, when the save on closing fails: the log that would show it is gone.
    std::function<void(const std::string& why)> onCloseSaveFailed;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildLevels();
    QWidget* BuildForceState();
    void Show(const LogLine& line);

    LogModel& m_log;
    Clock& m_clock;
    ForceState m_forceState;
    LogFolders m_folders;
    QTextEdit* m_text = nullptr;
    QCheckBox* m_autoSave = nullptr;
    std::vector<QCheckBox*> m_levels;
    bool m_closed = false;
    bool m_hasLines = false;
};

} // namespace marrowick
