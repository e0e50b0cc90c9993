#include "app/MainWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>

#include "app/MainLayout.h"
#include "app/Widgets.h"
#include "core/Session.h"

namespace marrowick {

MainWindow::MainWindow() : m_view(*this)
{
    BuildMainLayout(*this);
    setWindowTitle(QString::fromLatin1(MainCaption));
    Wire();
}

MainWindow::~MainWindow() = default;

void MainWindow::Attach(Session* session)
{
    m_session = session;
}

void MainWindow::Wire()
{
    for (QPushButton* button : findChildren<QPushButton*>()) {
        const auto control = FindControl(button->objectName().toStdString());
        if (!control)
            continue;
        connect(button, &QPushButton::clicked, this, [this, control] {
            if (m_session)
                m_session->commands().Click(*control);
        });
    }
    // Only the user's clicks: a box the program ticks (the stored settings) is no command.
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        const auto control = FindControl(box->objectName().toStdString());
        if (!control)
            continue;
        connect(box, &QCheckBox::clicked, this, [this, control](bool checked) {
            if (m_session)
                m_session->commands().Toggled(*control, checked);
        });
    }
    for (QButtonGroup* group : findChildren<QButtonGroup*>()) {
        const auto control = FindControl(group->objectName().toStdString());
        if (!control)
            continue;
        connect(group, &QButtonGroup::idToggled, this, [this, control](int index, bool checked) {
            if (checked && m_session)
                m_session->commands().OptionSelected(*control, index);
        });
    }
    if (auto* list = findChild<FileDropList*>(QString::fromLatin1(control::List1.name))) {
        list->onFilesDropped = [this](const std::vector<std::string>& files) {
            if (m_session)
                m_session->commands().Drop(control::List1, files);
        };
        list->onRowsMoved = [this](const std::vector<int>& rows, int before) {
            if (m_session)
                m_session->commands().RowsMoved(control::List1, rows, before);
        };
        list->onDeletePressed = [this] {
            if (m_session)
                m_session->commands().Click(control::btnRemoveClip);
        };
        // A double click has selected the clip it was on: it plays as "Play" would.
        connect(list, &QTreeWidget::itemDoubleClicked, this, [this] {
            if (m_session)
                m_session->commands().Click(control::btnPlayClip);
        });
    }
}

void MainWindow::BringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_session)
        m_session->Shutdown();
    if (onClosing)
        onClosing();
    event->accept();
}

} // namespace marrowick
