#include "app/MainLayout.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/Widgets.h"

namespace marrowick {
namespace {

template <typename W> W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton* Button(const char* name, const char* caption, const char* tooltip = nullptr)
{
    auto* button = Named(new QPushButton(QString::fromLatin1(caption)), name);
    if (tooltip)
        button->setToolTip(QString::fromLatin1(tooltip));
    button->setAutoDefault(false);
    return button;
}

QWidget* AudioLibraryTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);

    auto* list = Named(new FileDropList, "List1");
    list->setHeaderLabels({QStringLiteral("Clip"), QStringLiteral("File Name"), QStringLiteral("File Size")});
    list->setRootIsDecorated(false);
    list->setAlternatingRowColors(true);
    list->setColumnWidth(0, 50);
    list->setColumnWidth(1, 520);
    list->setToolTip(QStringLiteral("Drop MP3 files here to add them to the library"));
    layout->addWidget(list, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button("BtnAddClip", "Select Audio Clips"));
    buttons->addWidget(Button("Command3", "Clear Library", "Use this button to clear the above created library"));
    buttons->addWidget(Button("btnLibrary", "Save Library File",
                              "Use this button to create a library that will be transfered via micro SD card"));
    buttons->addStretch(1);
    auto* light = Named(new StatusLight, "Shape1");
    light->setToolTip(QStringLiteral("Transfer status"));
    buttons->addWidget(light);
    buttons->addWidget(Button("BtnWriteLibrary", "Send Clips to K5"));
    layout->addLayout(buttons);
    return tab;
}

void AddValuePair(QGridLayout* grid, int row, int column, QLabel* caption, QLabel* value)
{
    value->setMinimumWidth(90);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(caption, row, column, Qt::AlignRight);
    grid->addWidget(value, row, column + 1);
}

QLabel* Label(const char* name, const char* caption = "")
{
    return Named(new QLabel(QString::fromLatin1(caption)), name);
}

QWidget* ShowsTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);

    auto* shows = Named(new QTreeWidget, "ListShows");
    shows->setHeaderLabels({QStringLiteral("Show"), QStringLiteral("Show Start"), QStringLiteral("Show Length"),
                            QStringLiteral("Audio clip"), QStringLiteral("Audio Volume"),
                            QStringLiteral("Pre Show Delay"), QStringLiteral("Post Show Delay"),
                            QStringLiteral("Configuration")});
    shows->setRootIsDecorated(false);
    shows->setAlternatingRowColors(true);
    shows->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    shows->header()->setStretchLastSection(true);
    layout->addWidget(shows, 1);

    auto* values = new QGridLayout;
    values->setHorizontalSpacing(8);
    AddValuePair(values, 0, 0, Label("lblShowCountCaption", "ShowCount:"), Label("lblShowCount"));
    AddValuePair(values, 0, 2, Label("lblAmbientCaption", "Ambient Mode:"), Label("lblAmbient"));
    AddValuePair(values, 0, 4, Label("lblTriggerCaption", "Trigger Mode:"), Label("lblTrigger"));
    AddValuePair(values, 1, 0, Label("lblLockOutCaption", "Lockout: "), Label("lblLockOut"));
    auto* triggerA = Label("LblTriggerA", "Trigger A:");
    auto* triggerAValue = Label("LblTriggerAvalue");
    auto* triggerB = Label("LblTriggerB", "Trigger B:");
    auto* triggerBValue = Label("LblTriggerBvalue");
    AddValuePair(values, 1, 2, triggerA, triggerAValue);
    AddValuePair(values, 1, 4, triggerB, triggerBValue);
    for (QLabel* hidden : {triggerA, triggerAValue, triggerB, triggerBValue})
        hidden->hide();
    values->setColumnStretch(6, 1);
    layout->addLayout(values);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button("btnReadShows", "Read Shows From K5"));
    buttons->addWidget(Button("btnWriteShows", "Write Shows To K5"));
    buttons->addStretch(1);
    buttons->addWidget(Button("btnOpenShows", "Open Existing Shows"));
    buttons->addWidget(
        Button("btnSaveShows", "Save Shows", "Use this button to Save show files to computer for backup."));
    layout->addLayout(buttons);
    return tab;
}

QGroupBox* FirmwareFrame(QWidget* owner, const char* name, const char* caption, const char* array,
                         std::initializer_list<const char*> versions, int selected)
{
    auto* frame = Named(new QGroupBox(QString::fromLatin1(caption)), name);
    auto* layout = new QVBoxLayout(frame);
    auto* group = Named(new QButtonGroup(owner), array);
    int index = 0;
    for (const char* version : versions) {
        auto* option = new QRadioButton(QString::fromLatin1(version));
        option->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(array)).arg(index));
        option->setChecked(index == selected);
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
    row->addWidget(FirmwareFrame(owner, "FirmwareK5", "K5 Firmware", "OptFirmware",
                                 {"version 1.02", "version 1.03", "version 1.04", "version 1.05", "version 1.06"}, 4));
    row->addWidget(FirmwareFrame(
        owner, "FirmwareR2", "R2 Firmware", "Option2",
        {"version 1.02", "version 1.03", "version 1.04", "version 1.05", "version 1.06", "version 1.07"}, 5));
    row->addWidget(FirmwareFrame(owner, "FirmwareT7", "T7 Firmware", "Option1", {"version 1.00"}, 0));
    row->addWidget(FirmwareFrame(owner, "firmwareLumen", "Lumen+", "Option3",
                                 {"version 1.08", "version 1.09", "version 1.10"}, 2));
    auto* info = Label("lblFirmwareInfo");
    info->setWordWrap(true);
    info->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(info, 1);
    layout->addLayout(row, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button("btnFirmware", "Download Firmware"));
    buttons->addStretch(1);
    layout->addLayout(buttons);
    return tab;
}

} // namespace

void BuildMainLayout(QMainWindow& window)
{
    window.setObjectName(QStringLiteral("frmInterface"));
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);

    auto* tabs = Named(new QTabWidget, "SSTab1");
    tabs->addTab(AudioLibraryTab(), QStringLiteral("Audio Library"));
    tabs->addTab(ShowsTab(), QStringLiteral("Show Read / Write"));
    tabs->addTab(FirmwareTab(&window), QStringLiteral("Firmware"));
    layout->addWidget(tabs, 1);

    auto* progressRow = new QHBoxLayout;
    auto* progress = Named(new QProgressBar, "ProgressBar1");
    progress->setRange(0, 1);
    progress->setValue(0);
    progress->setTextVisible(false);
    progressRow->addWidget(progress, 1);
    auto* cancel = Button("btnCancel", "Cancel", "Stops the transfer that is running");
    cancel->hide();
    progressRow->addWidget(cancel);
    layout->addLayout(progressRow);
    window.setCentralWidget(central);

    auto* status = Named(new QStatusBar, "StatusBar1");
    status->setSizeGripEnabled(true);
    const int stretches[] = {2, 2, 1};
    for (int panel = 1; panel <= 3; ++panel) {
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("StatusBar1_%1").arg(panel));
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->setMinimumWidth(1);
        status->addWidget(label, stretches[panel - 1]);
    }
    window.setStatusBar(status);
    window.resize(880, 520);
}

} // namespace marrowick
