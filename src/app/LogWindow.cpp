#include "app/LogWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "base/Files.h"
#include "link/StateEngine.h"

namespace marrowick {
namespace {

// Colour references are 0x00BBGGRR.
QColor FromColourRef(std::uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QPushButton* Button(const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromLatin1(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// A failed save is told in red, which stands out among the level colours.
constexpr std::uint32_t FailureColour = 0x0000FF;

} // namespace

LogWindow::LogWindow(LogModel& log, Clock& clock, ForceState forceState, LogFolders folders)
    : QWidget(nullptr, Qt::Window), m_log(log), m_clock(clock), m_forceState(std::move(forceState)),
      m_folders(std::move(folders))
{
    setObjectName(QStringLiteral("frmprogress"));
    setWindowTitle(QStringLiteral("Marrowick Log"));

    m_text = new QTextEdit;
    m_text->setObjectName(QStringLiteral("txtdebug"));
    m_text->setReadOnly(true);
    // Wrapped: a show's data is one line of thousands of characters, and a
    // log that scrolls sideways hides the start of every other line.
    m_text->setLineWrapMode(QTextEdit::WidgetWidth);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->setUndoRedoEnabled(false);

    auto* side = new QVBoxLayout;
    side->addWidget(BuildLevels());
    auto* repeat = new QCheckBox(QStringLiteral("Ignore Repeats"));
    repeat->setObjectName(QStringLiteral("chkRepeat"));
    repeat->setChecked(m_log.IgnoreRepeats);
    connect(repeat, &QCheckBox::toggled, this, [this](bool on) { m_log.IgnoreRepeats = on; });
    side->addWidget(repeat);
    m_autoSave = new QCheckBox(QStringLiteral("Auto Save"));
    m_autoSave->setObjectName(QStringLiteral("chkAutoSave"));
    m_autoSave->setChecked(true);
    side->addWidget(m_autoSave);
    auto* save = Button("btnSaveLog", "Save Log");
    connect(save, &QPushButton::clicked, this, &LogWindow::SaveLog);
    auto* clear = Button("btnClear", "Clear Log");
    connect(clear, &QPushButton::clicked, this, [this] { m_log.Clear(); });
    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(save);
    fileButtons->addWidget(clear);
    side->addLayout(fileButtons);
    side->addWidget(BuildForceState());
    side->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addLayout(side);
    resize(640, 520);

    for (const LogLine& line : m_log.Lines())
        Show(line);
    m_log.onLine = [this](const LogLine& line) { Show(line); };
    m_log.onCleared = [this] {
        m_text->clear();
        m_hasLines = false;
    };
}

LogWindow::~LogWindow()
{
    m_log.onLine = nullptr;
    m_log.onCleared = nullptr;
}

QWidget* LogWindow::BuildLevels()
{
    auto* frame = new QGroupBox(QStringLiteral("Diagnostic Level"));
    frame->setObjectName(QStringLiteral("frameDebugLevel"));
    auto* grid = new QGridLayout(frame);
    const auto& levels = LogLevels();
    for (std::size_t i = 0; i < levels.size(); ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(levels[i].caption));
        box->setObjectName(QStringLiteral("chkDebugLevel_%1").arg(i));
        if (i > 0) {
            QPalette palette = box->palette();
            palette.setColor(QPalette::WindowText, FromColourRef(levels[i].captionColour));
            box->setPalette(palette);
        }
        box->setChecked((m_log.debuglevel & levels[i].flag) != 0);
        const int flag = levels[i].flag;
        connect(box, &QCheckBox::toggled, this, [this, flag](bool on) {
            if (on)
                m_log.debuglevel = static_cast<std::uint16_t>(m_log.debuglevel | flag);
            else
                m_log.debuglevel = static_cast<std::uint16_t>(m_log.debuglevel & ~flag);
        });
        grid->addWidget(box, static_cast<int>(i % 4), static_cast<int>(i / 4));
        m_levels.push_back(box);
    }
    auto* none = Button("btnDebugLevelClear", "Clear");
    connect(none, &QPushButton::clicked, this, [this] {
        for (QCheckBox* box : m_levels)
            box->setChecked(false);
    });
    grid->addWidget(none, 4, 0, 1, 2, Qt::AlignLeft);
    return frame;
}

QWidget* LogWindow::BuildForceState()
{
    auto* frame = new QGroupBox(QStringLiteral("State"));
    frame->setObjectName(QStringLiteral("frameForceState"));
    auto* grid = new QGridLayout(frame);
    auto* group = new QButtonGroup(this);
    group->setObjectName(QStringLiteral("optState"));
    for (int i = 0; i <= 10; ++i) {
        auto* option = new QRadioButton(QString::fromLatin1(ForceStateCaption(i)));
        option->setObjectName(QStringLiteral("optState_%1").arg(i));
        group->addButton(option, i);
        grid->addWidget(option, i % 6, i / 6);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int state) { m_forceState(static_cast<LinkState>(state)); });
    return frame;
}

int LogWindow::debuglevel() const
{
    return m_log.debuglevel;
}

void LogWindow::Show(const LogLine& line)
{
    QTextCursor cursor(m_text->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(FromColourRef(line.colour));
    format.setFontPointSize(line.pointSize);
    format.setFontUnderline(line.underline);
    if (m_hasLines)
        cursor.insertBlock();
    m_hasLines = true;
    cursor.insertText(QString::fromStdString(line.text), format);
    m_text->setTextCursor(cursor);
    m_text->ensureCursorVisible();
}

void LogWindow::SaveLog()
{
    const LogSaveResult result = marrowick::SaveLog(m_log, m_folders, m_clock.localDateTime());
    if (!result.ok)
        m_log.AppendPlain("Log not saved: " + result.message, FailureColour);
    else // the first line of the emptied log says where the rest went
        m_log.AppendPlain("Log saved to " + PathText(result.file));
}

void LogWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        const LogSaveResult result = CloseLog(m_log, m_autoSave->isChecked(), m_folders, m_clock.localDate(),
                                              m_clock.localTime(), m_clock.localDateTime());
        if (!result.ok) {
            qWarning("Log not saved: %s", result.message.c_str());
            if (onCloseSaveFailed)
                onCloseSaveFailed(result.message);
        }
    }
    event->accept();
}

} // namespace marrowick
