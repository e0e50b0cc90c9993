#include "app/MainWindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>

#include "app/MainLayout.h"
#include "app/Widgets.h"
#include "core/Session.h"

namespace marrowick {
namespace {

// Hands each child of `window` of type W that is a control of the window, with that control, to `wire`.
template <typename W, typename Wire> void ForEachControl(QWidget& window, Wire wire)
{
    for (W* widget : window.findChildren<W*>())
        if (const auto control = FindControl(widget->objectName().toStdString()))
            wire(widget, *control);
}

} // namespace

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
    ForEachControl<QPushButton>(*this, [this](QPushButton* button, Control control) {
        connect(button, &QPushButton::clicked, this, [this, control] {
            if (m_session)
                m_session->commands().Click(control);
        });
    });
    // Whatever changed it (a click, the keyboard, a screen reader, the stored
    // settings): the box's state is what the program goes by.
    ForEachControl<QCheckBox>(*this, [this](QCheckBox* box, Control control) {
        connect(box, &QCheckBox::toggled, this, [this, control](bool checked) {
            if (m_session)
                m_session->commands().Toggled(control, checked);
        });
    });
    ForEachControl<QButtonGroup>(*this, [this](QButtonGroup* group, Control control) {
        connect(group, &QButtonGroup::idToggled, this, [this, control](int index, bool checked) {
            if (checked && m_session)
                m_session->commands().OptionSelected(control, index);
        });
    });
    // Only the person's own choice: a choice the program shows is no command.
    ForEachControl<QComboBox>(*this, [this](QComboBox* box, Control control) {
        connect(box, &QComboBox::activated, this, [this, control](int index) {
            if (m_session)
                m_session->commands().OptionSelected(control, index);
        });
    });
    ForEachControl<NumberCellList>(*this, [this](NumberCellList* list, Control control) {
        list->onCellEdited = [this, control](int row, int column, int value) {
            if (m_session)
                m_session->commands().CellEdited(control, row, column, value);
        };
    });
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
    // What closing would cost (a conversation stopped half-way, edits not
    // saved) is asked about first, without holding up a conversation: the
    // question is answered later.
    const std::string question = m_session != nullptr && !m_closeConfirmed ? m_session->CloseQuestion() : "";
    if (!question.empty()) {
        event->ignore();
        for (const QMessageBox* asked : findChildren<QMessageBox*>(QStringLiteral("stopAndClose")))
            if (asked->isVisible())
                return; // asked already
        auto* box = new QMessageBox(QMessageBox::Question, QString::fromLatin1(AppTitle),
                                    QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, this);
        box->setObjectName(QStringLiteral("stopAndClose"));
        box->setDefaultButton(QMessageBox::No);
        box->setAttribute(Qt::WA_DeleteOnClose);
        connect(box, &QMessageBox::finished, this, [this](int answer) {
            if (answer != QMessageBox::Yes)
                return;
            m_closeConfirmed = true;
            close();
        });
        box->open();
        return;
    }
    if (m_session)
        m_session->Shutdown();
    if (onClosing)
        onClosing();
    event->accept();
}

} // namespace marrowick
