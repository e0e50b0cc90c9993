#include "app/MainLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/Widgets.h"
#include "features/ModelSetup.h"
#include "firmware/FirmwareCatalogue.h"
#include "models/Controller.h"
#include "ui/Controls.h"

namespace marrowick {
namespace {

template <typename W> W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <typename W> W* Named(W* widget, Control control)
{
    return Named(widget, control.name);
}

QPushButton* Button(Control control, const char* caption, const char* tooltip = nullptr)
{
    auto* button = Named(new QPushButton(QString::fromLatin1(caption)), control);
    if (tooltip)
        button->setToolTip(QString::fromLatin1(tooltip));
    button->setAutoDefault(false);
    return button;
}

QLabel* Label(Control control, const char* caption = "");

QWidget* AudioLibraryTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);

    auto* list = Named(new FileDropList, control::List1);
    list->setHeaderLabels({QStringLiteral("Clip"), QStringLiteral("File Name"), QStringLiteral("File Size"),
                           QStringLiteral("Time"), QStringLiteral("Format")});
    list->setRootIsDecorated(false);
    list->setAlternatingRowColors(true);
    list->setColumnWidth(0, 60);
    list->setColumnWidth(1, 400);
    list->setColumnWidth(2, 80);
    list->setColumnWidth(3, 60);
    list->setToolTip(QStringLiteral("Drop MP3 files here to add them to the library; drag clips to change their "
                                    "order; double-click a clip to play it"));
    layout->addWidget(list, 1);

    // How full the controller's audio memory would be with this library, and how long it plays.
    auto* capacityRow = new QHBoxLayout;
    auto* capacity = Named(new QProgressBar, control::barCapacity);
    capacity->setRange(0, 1);
    capacity->setValue(0);
    capacity->setTextVisible(true);
    capacity->setAlignment(Qt::AlignCenter);
    capacityRow->addWidget(capacity, 1);
    capacityRow->addWidget(Label(control::lblPlayingTime));
    layout->addLayout(capacityRow);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button(control::BtnAddClip, "Select Audio Clips"));
    buttons->addWidget(Button(control::btnRemoveClip, "Remove Clip", "Takes the selected clips out of the library"));
    buttons->addWidget(Button(control::btnPlayClip, "Play", "Plays the selected clip in the system's own player"));
    buttons->addWidget(
        Button(control::Command3, "Clear Library", "Use this button to clear the above created library"));
    buttons->addWidget(Button(control::btnLibrary, "Save Library File",
                              "Use this button to create a library that will be transfered via micro SD card"));
    buttons->addStretch(1);
    auto* light = Named(new StatusLight, control::Shape1);
    light->setToolTip(QStringLiteral("Transfer status"));
    buttons->addWidget(light);
    buttons->addWidget(Button(control::BtnWriteLibrary, StartingClipsCaption));
    layout->addLayout(buttons);
    return tab;
}

// A caption and its value; with a choice, the choice shares the value's place
// and the model set-up shows one of them.
void AddValuePair(QGridLayout* grid, int row, int column, QLabel* caption, QLabel* value, Control choice = {})
{
    value->setMinimumWidth(90);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A screen reader names the value by its caption.
    QString name = caption->text().trimmed();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    value->setAccessibleName(name);
    caption->setBuddy(value);
    grid->addWidget(caption, row, column, Qt::AlignRight);
    grid->addWidget(value, row, column + 1);
    if (choice.name == nullptr)
        return;
    auto* box = Named(new QComboBox, choice);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setAccessibleName(name);
    box->hide();
    grid->addWidget(box, row, column + 1, Qt::AlignLeft);
}

// A button that a key combination clicks too, which its tooltip names.
QPushButton* KeyButton(Control control, const char* caption, const char* tooltip, const QKeySequence& keys)
{
    auto* button = Button(control, caption);
    button->setShortcut(keys);
    button->setToolTip(QString::fromLatin1(tooltip) + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) +
                       QLatin1Char(')'));
    return button;
}

QLabel* Label(const char* name, const char* caption = "")
{
    return Named(new QLabel(QString::fromLatin1(caption)), name);
}

QLabel* Label(Control control, const char* caption)
{
    return Label(control.name, caption);
}

QWidget* ShowsTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);

    auto* shows = Named(new NumberCellList, control::ListShows);
    shows->setHeaderLabels({QStringLiteral("Show"), QStringLiteral("Show Start"), QStringLiteral("Show Length"),
                            QStringLiteral("Audio clip"), QStringLiteral("Audio Volume"),
                            QStringLiteral("Pre Show Delay"), QStringLiteral("Post Show Delay"),
                            QStringLiteral("Configuration")});
    shows->setRootIsDecorated(false);
    shows->setAlternatingRowColors(true);
    shows->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    shows->header()->setStretchLastSection(true);
    shows->setToolTip(QStringLiteral("Double-click a show's clip, volume or delay, or type a number on it, to "
                                     "change it"));
    layout->addWidget(shows, 1);

    auto* values = new QGridLayout;
    values->setHorizontalSpacing(8);
    AddValuePair(values, 0, 0, Label("lblShowCountCaption", "ShowCount:"), Label(control::lblShowCount));
    AddValuePair(values, 0, 2, Label("lblAmbientCaption", "Ambient Mode:"), Label(control::lblAmbient));
    AddValuePair(values, 0, 4, Label("lblTriggerCaption", "Trigger Mode:"), Label(control::lblTrigger),
                 control::cboTrigger);
    AddValuePair(values, 1, 0, Label("lblLockOutCaption", "Lockout: "), Label(control::lblLockOut),
                 control::cboLockOut);
    auto* triggerA = Label(control::LblTriggerA, "Trigger A:");
    auto* triggerAValue = Label(control::LblTriggerAvalue);
    auto* triggerB = Label(control::LblTriggerB, "Trigger B:");
    auto* triggerBValue = Label(control::LblTriggerBvalue);
    AddValuePair(values, 1, 2, triggerA, triggerAValue, control::cboTriggerA);
    AddValuePair(values, 1, 4, triggerB, triggerBValue, control::cboTriggerB);
    for (QLabel* hidden : {triggerA, triggerAValue, triggerB, triggerBValue})
        hidden->hide();
    values->setColumnStretch(6, 1);
    values->addWidget(KeyButton(control::btnUndo, "Undo", "Takes back the last change to the show table",
                                QKeySequence(Qt::CTRL | Qt::Key_Z)),
                      1, 7);
    values->addWidget(KeyButton(control::btnRedo, "Redo", "Makes the last change taken back again",
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)),
                      1, 8);
    layout->addLayout(values);

    auto* options = new QHBoxLayout;
    auto* backup =
        Named(new QCheckBox(QStringLiteral("Back up the controller's shows first")), control::chkBackupShows);
    backup->setToolTip(QStringLiteral("Before writing, reads the shows the controller holds into a new folder of "
                                      "backups; nothing is written unless that works"));
    auto* verify = Named(new QCheckBox(QStringLiteral("Verify after writing")), control::chkVerifyShows);
    verify->setToolTip(QStringLiteral("After writing, reads the shows back and compares them with what was written"));
    options->addWidget(backup);
    options->addWidget(verify);
    options->addStretch(1);
    layout->addLayout(options);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button(control::btnReadShows, StartingReadCaption));
    buttons->addWidget(Button(control::btnWriteShows, StartingWriteCaption));
    buttons->addStretch(1);
    buttons->addWidget(Button(control::btnOpenShows, "Open Existing Shows"));
    buttons->addWidget(
        Button(control::btnSaveShows, "Save Shows", "Use this button to Save show files to computer for backup."));
    layout->addLayout(buttons);
    return tab;
}

// A model's frame of version options, as its traits and the catalogue say.
QGroupBox* FirmwareFrame(QWidget* owner, const controller& model)
{
    const ModelLook& traits = LookOf(model);
    auto* frame = Named(new QGroupBox(QString::fromLatin1(traits.firmwareTitle)), traits.firmwareFrame);
    auto* layout = new QVBoxLayout(frame);
    auto* group = Named(new QButtonGroup(owner), traits.firmwareOptions);
    int index = 0;
    for (std::string_view version : FirmwareVersionsOf(model.Name())) {
        auto* option =
            new QRadioButton(QStringLiteral("version ") + QString::fromLatin1(version.data(), version.size()));
        option->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(traits.firmwareOptions.name)).arg(index));
        option->setChecked(index == traits.firmwareDefaultOption);
        group->addButton(option, index);
        layout->addWidget(option);
        ++index;
    }
    frame->setMinimumWidth(170);
    frame->hide();
    return frame;
}

QWidget* FirmwareTab(QWidget* owner)
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    auto* row = new QHBoxLayout;
    row->setAlignment(Qt::AlignTop);
    for (const controller* model : AllModels())
        row->addWidget(FirmwareFrame(owner, *model));
    auto* info = Label(control::lblFirmwareInfo);
    info->setWordWrap(true);
    info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(info, 1);
    layout->addLayout(row, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button(control::btnFirmware, "Download Firmware"));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return tab;
}

// Names (and where it helps, descriptions) a screen reader gives the controls
// that carry no caption of their own.
void NameForScreenReaders(QMainWindow& window)
{
    const struct {
        const char* object;
        const char* name;
        const char* description;
    } names[] = {
        {"StatusBar1", "Status bar", ""},
        {"StatusBar1_1", "Status", "What the program does now, or how the last operation ended"},
        {"StatusBar1_2", "Firmware and model", "The controller's firmware version and model"},
        {"StatusBar1_3", "Serial number", "The controller's serial number"},
        {control::List1.name, "Audio clips", "The clips of the library, in the order they are numbered"},
        {control::ListShows.name, "Shows",
         "The show table: one row per show; a show's clip, volume and delays can be changed"},
        {control::ProgressBar1.name, "Progress", "How much of the running operation is done"},
        {control::lblProgress.name, "Time left", ""},
        {control::barCapacity.name, "Audio memory used", "How much of the controller's audio memory the clips take"},
        {control::Shape1.name, "Transfer status", ""},
    };
    for (const auto& entry : names) {
        if (auto* widget = window.findChild<QWidget*>(QString::fromLatin1(entry.object))) {
            widget->setAccessibleName(QString::fromLatin1(entry.name));
            widget->setAccessibleDescription(QString::fromLatin1(entry.description));
        }
    }
    // The tab widget tells which tab is open.
    if (auto* tabs = window.findChild<QTabWidget*>(QString::fromLatin1(control::SSTab1.name))) {
        tabs->setAccessibleName(QStringLiteral("Areas"));
        const auto describe = [tabs](int index) {
            tabs->setAccessibleDescription(QStringLiteral("Open: ") + tabs->tabText(index));
        };
        describe(tabs->currentIndex());
        QObject::connect(tabs, &QTabWidget::currentChanged, tabs, describe);
    }
}

} // namespace

void BuildMainLayout(QMainWindow& window)
{
    window.setObjectName(QString::fromLatin1(control::frmInterface.name));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);

    auto* tabs = Named(new QTabWidget, control::SSTab1);
    tabs->addTab(AudioLibraryTab(), QStringLiteral("Audio Library"));
    tabs->addTab(ShowsTab(), QStringLiteral("Show Read / Write"));
    tabs->addTab(FirmwareTab(&window), QStringLiteral("Firmware"));
    // On every tab: another port, or the same controller after it was swapped.
    auto* connect =
        Button(control::btnConnect, "", "Choose the controller's port again and identify the controller on it");
    connect->setText(QStringLiteral("Connect\u2026"));
    tabs->setCornerWidget(connect, Qt::TopRightCorner);
    layout->addWidget(tabs, 1);

    auto* progressRow = new QHBoxLayout;
    auto* progress = Named(new QProgressBar, control::ProgressBar1);
    progress->setRange(0, 1);
    progress->setValue(0);
    progress->setTextVisible(false);
    progressRow->addWidget(progress, 1);
    // Room for the longest line a transfer shows, so the bar keeps its width
    // while the line changes.
    auto* line = Named(new QLabel, control::lblProgress);
    line->setMinimumWidth(
        line->fontMetrics().horizontalAdvance(QStringLiteral("packet 88,888 of 88,888 \u00B7 about 88 h 88 min left")));
    progressRow->addWidget(line);
    auto* cancel = Button(control::btnCancel, "Cancel", "Stops the transfer that is running");
    cancel->hide();
    progressRow->addWidget(cancel);
    layout->addLayout(progressRow);
    window.setCentralWidget(central);

    auto* status = Named(new QStatusBar, "StatusBar1");
    status->setSizeGripEnabled(true);
    const int stretches[] = {2, 2, 1};
    for (int panel = 1; panel <= 3; ++panel) {
        auto* label = new StatusPanel;
        label->setObjectName(QStringLiteral("StatusBar1_%1").arg(panel));
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setMinimumWidth(1);
        status->addWidget(label, stretches[panel - 1]);
    }
    window.setStatusBar(status);
    NameForScreenReaders(window);
    window.resize(880, 520);
}

} // namespace marrowick
