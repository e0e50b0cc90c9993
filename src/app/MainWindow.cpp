#include "app/MainWindow.h"

#include <QButtonGroup>
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
        const std::string name = button->objectName().toStdString();
        connect(button, &QPushButton::clicked, this, [this, name] {
            if (m_session)
                m_session->Click(name);
        });
    }
    for (QButtonGroup* group : findChildren<QButtonGroup*>()) {
        const std::string name = group->objectName().toStdString();
        connect(group, &QButtonGroup::idToggled, this, [this, name](int index, bool checked) {
            if (checked && m_session)
                m_session->OptionSelected(name, index);
        });
    }
    if (auto* list = findChild<FileDropList*>(QStringLiteral("List1")))
        list->onFilesDropped = [this](const std::vector<std::string>& files) {
            if (m_session)
                m_session->Drop("List1", files);
        };
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
