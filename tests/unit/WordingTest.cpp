// The one place the program's words are pinned: each presenter's text for
// each way things end. People read them and scripts look for them, so a change
// here is a change they will notice; every other test goes by codes and reasons.

#include <gtest/gtest.h>

#include "features/FirmwarePresenter.h"
#include "features/IdentityPresenter.h"
#include "features/LibraryPresenter.h"
#include "features/NewProject.h"
#include "features/ShowsPresenter.h"
#include "features/Texts.h"
#include "link/PortDiagnosis.h"
#include "support/TempFolder.h"

namespace marrowick::testing {
namespace {

Result Fails(Reason reason, int number = -1, long long got = 0, long long expected = 0, std::string detail = {})
{
    return Result::Fail(ResultCode::Refused, reason, number, got, expected, std::move(detail));
}

FileEvent Event(FileEvent::Step step, FileEvent::Kind kind, Result problem = Result::Done())
{
    FileEvent event;
    event.step = step;
    event.kind = kind;
    event.shown = Shown("/Demo/001.K5S");
    event.show = 2;
    event.problem = std::move(problem);
    return event;
}

PortFacts Port(PortProblem problem, std::string port, std::string device = {}, std::string systemText = {})
{
    PortFacts facts;
    facts.problem = problem;
    facts.port = std::move(port);
    facts.device = std::move(device);
    facts.systemText = std::move(systemText);
    return facts;
}

} // namespace

TEST(Wording, WhatEachEndingSays)
{
    const Result lost = Result::Fail(ResultCode::PortLost, Reason::PortLost, "Input/output error");
    ShowState shows;
    shows.ShowCount = 3;
    shows.ShowTable[2].Length = 5000;
    shows.ShowData[2] = std::string(100, 'x');
    shows.UnopenedShows[3] = {"003.K5S", false};
    Identity identity;
    identity.FirmwareVersion = "1.05";
    identity.ControllerModel = "R2";
    identity.SerialNumber = "1A2B3C4D";
    Identity versionMissing;
    versionMissing.versionMissing = true;
    Identity missing;
    missing.FirmwareVersion = "1.05";
    missing.modelMissing = true;
    missing.serialMissing = true;
    // A framing error alone is not told.
    Result noisy = Fails(Reason::NotResponding);
    noisy.lineErrors = (1U << static_cast<unsigned>(LineEventKind::Overrun)) |
                       (1U << static_cast<unsigned>(LineEventKind::Break)) |
                       (1U << static_cast<unsigned>(LineEventKind::Framing));
    PortFacts join = Port(PortProblem::PermissionDenied, "/dev/ttyUSB0", "/dev/ttyUSB0");
    join.group = "uucp";
    join.groupMayOpen = true;
    join.user = "mira";
    PortFacts relog = join;
    relog.userListedInGroup = true;
    PortFacts anyone = join;
    anyone.user.clear();
    PortFacts noGroup = anyone;
    noGroup.groupMayOpen = false;
    const PortFacts busy = Port(PortProblem::Busy, "COM2", "/dev/ttyACM0");
    PortFacts oneHolder = busy;
    oneHolder.holders = {"minicom (pid 812)"};
    PortFacts twoHolders = oneHolder;
    twoHolders.holders.push_back("pid 990");
    const PortFacts notChosen = Port(PortProblem::NotChosen, "COM0");
    PortFacts notPicked = notChosen;
    notPicked.devicesFound = 2;
    PortFacts refused = notPicked;
    refused.refused = {join, busy};
    PortFacts setting = Port(PortProblem::SettingRefused, "/dev/ttyUSB0", "/dev/ttyUSB0");
    setting.setting = "no flow control";
    Result firmware = Result::Done(Reason::LastRecordUnconfirmed);
    firmware.number = 105;
    firmware.got = 756;

    const std::pair<std::string, std::string> rows[] = {
        // Identification and the line.
        {VersionAndModelText(identity), "Firmware Version: 1.05       Model: R2"},
        {SerialText(identity), "Serial Number: 1A2B3C4D"},
        {VersionAndModelText(missing), "Firmware Version: 1.05     Model Not Available"},
        {SerialText(missing), "Serial Number Not Available"},
        {VersionAndModelText(versionMissing), "Firmware Version Not Available"},
        {IdentificationText(Fails(Reason::UnknownModel, -1, 0, 0, "R\x8F\r\n")),
         "Unknown controller model: \"R\\x8F\""},
        {IdentificationText(lost), "Serial port lost: Input/output error"},
        {text::LineEventText(LineEventKind::Overrun), "Overrun error"},
        {ReadText(noisy), "Show read stopped: Controller not responding (the line reported: Break received, Overrun "
                          "error)"},
        // Why a port would not open.
        {DescribePortProblem(Port(PortProblem::NoDevice, "/dev/ttyUSB0", "/dev/ttyUSB0")),
         "/dev/ttyUSB0 does not exist: is the adapter plugged in?"},
        {DescribePortProblem(Port(PortProblem::NoDevice, "COM3", "/dev/ttyUSB1")),
         "COM3 (/dev/ttyUSB1) does not exist: is the adapter plugged in?"},
        {DescribePortProblem(Port(PortProblem::NoDevice, "COM4")),
         "COM4 has no serial device behind it: is the adapter plugged in?"},
        {DescribePortProblem(Port(PortProblem::BadNumber, "COM17")),
         "There is no port COM17: ports go from COM1 to COM16."},
        {DescribePortProblem(Port(PortProblem::WindowsName, "COM23", "/dev/COM23")),
         "COM23 is a Windows port name and no such device exists here: use COM1 to COM16 or a device path such as "
         "/dev/ttyUSB0."},
        {DescribePortProblem(join), "/dev/ttyUSB0 may only be opened by members of group uucp: join it with `sudo "
                                    "usermod -aG uucp mira`, then log out and in again."},
        {DescribePortProblem(relog), "/dev/ttyUSB0 may only be opened by members of group uucp, which mira joined "
                                     "after logging in: log out and in again."},
        {DescribePortProblem(anyone), "/dev/ttyUSB0 may only be opened by members of group uucp: join it with `sudo "
                                      "usermod -aG uucp $USER`, then log out and in again."},
        {DescribePortProblem(noGroup),
         "You may not open /dev/ttyUSB0: ask whoever looks after this computer for access to it."},
        {DescribePortProblem(busy), "COM2 (/dev/ttyACM0) is in use by another program: close it and try again."},
        {DescribePortProblem(oneHolder),
         "COM2 (/dev/ttyACM0) is in use by minicom (pid 812): close that program and try again."},
        {DescribePortProblem(twoHolders),
         "COM2 (/dev/ttyACM0) is in use by minicom (pid 812) and pid 990: close those programs and try again."},
        {DescribePortProblem(Port(PortProblem::BusyOrDenied, "COM5", "COM5", "Access is denied.")),
         "COM5 is in use by another program, or you may not open it: Access is denied."},
        {DescribePortProblem(setting),
         "/dev/ttyUSB0 refused the setting no flow control; the controller needs 9600 baud, 8 data bits, no parity, 1 "
         "stop bit and no flow control."},
        {DescribePortProblem(
             Port(PortProblem::SettingRefused, "/dev/ttyUSB0", "/dev/ttyUSB0", "Unsupported operation")),
         "/dev/ttyUSB0 refused the line settings the controller needs (9600 baud, 8 data bits, no parity, 1 stop bit "
         "and no flow control): Unsupported operation."},
        {DescribePortProblem(Port(PortProblem::NotSerial, "/home/mira/show.k5s", "/home/mira/show.k5s")),
         "/home/mira/show.k5s is not a serial port."},
        {DescribePortProblem(Port(PortProblem::Other, "COM9", "COM9", "The semaphore timeout period has expired.")),
         "COM9 could not be opened: The semaphore timeout period has expired."},
        {DescribePortProblem(Port(PortProblem::Other, "COM9", "COM9")), "COM9 could not be opened."},
        {DescribePortProblem(notChosen),
         "No port was chosen, as this computer has no serial port: is the adapter plugged in?"},
        {DescribePortProblem(notPicked), "No port was chosen: pick one from the list when the program starts."},
        {DescribePortProblem(refused),
         "No port was chosen, as none would open. /dev/ttyUSB0 may only be opened by members of group uucp: join it "
         "with `sudo usermod -aG uucp mira`, then log out and in again."},
        // Reading shows.
        {ReadText(Fails(Reason::NotResponding)), "Show read stopped: Controller not responding"},
        {ReadText(Fails(Reason::ReplyLength, -1, 187, 163)),
         "Show read stopped: the table reply had 187 bytes instead of 163"},
        {ReadText(Fails(Reason::TooManyShows, -1, 200, 10)),
         "Show read stopped: the controller reports 200 shows; at most 10 can be held"},
        {ReadText(Fails(Reason::NegativeLength, 2, -1)), "Show read stopped: show 2 has a negative length (-1)"},
        {ReadText(Fails(Reason::TooLong, 1, 2147483632, 16777216)),
         "Show read stopped: show 1 is 2147483632 bytes long; a controller holds at most 16777216 bytes of shows"},
        {ReadText(Fails(Reason::ShowLength, 0, 324, 300)),
         "Show read stopped: show 0 came with 324 bytes instead of 300"},
        {ReadText(Fails(Reason::StoppedSending, 3, 2048, 2049)),
         "Show read stopped: the controller stopped sending after 2048 of 2049 bytes of show 3"},
        {ReadText(Fails(Reason::StoppedSending, -1, 10, 163)),
         "Show read stopped: the controller stopped sending after 10 of 163 bytes of the table"},
        {ReadText(Fails(Reason::NoShowTable, -1, 0, 0, "T7")), "Shows cannot be read from a T7 controller"},
        {ReadText(Fails(Reason::Cancelled)), "Show read stopped: Cancelled"},
        {ReadText(Fails(Reason::StateForced)), "Show read stopped: State forced from the log window"},
        {ReadText(lost), "Show read stopped: Serial port lost: Input/output error"},
        // Writing shows.
        {WriteText(Result::Done(), shows), "Download Complete"},
        {WriteText(Fails(Reason::NoTableImage), shows),
         "Show write refused: there is no table image to send; read the shows or open a project first"},
        {WriteText(Fails(Reason::TooManyShows, -1, 11, 10), shows),
         "Show write refused: the table holds 11 shows; at most 10 can be written"},
        {WriteText(Fails(Reason::NegativeLength, 2, -1), shows), "Show write refused: show 2 has a negative length"},
        {WriteText(Fails(Reason::IncompleteShows), shows),
         "Show write refused: show 2 has 100 of 5000 bytes; show 3: 003.K5S is missing"},
        {WriteText(Fails(Reason::NotResponding), shows),
         "Show write stopped: Controller not responding. The controller's shows are incomplete: write them again"},
        {WriteText(Fails(Reason::Interrupted, -1, 2), shows),
         "Show write stopped: Interrupted by SIGINT" + std::string(".") + " " + text::ShowsIncomplete},
        {WriteText(Fails(Reason::NoShowTable, -1, 0, 0, "T7"), shows), "Shows cannot be written to a T7 controller"},
        {LoadedText(shows), "Show Loading Complete. Loaded 3 shows; show 2 has 100 of 5000 bytes; show 3: 003.K5S is "
                            "missing"},
        {BackedUpText("/b/R2 1A2B3C4D"), "Shows Backed Up To: " + Shown("/b/R2 1A2B3C4D")},
        {WriteOutcomeText({WriteOutcome::Stage::Backup, Fails(Reason::NotResponding), "/b", false, {}, {}}, shows),
         "Show Backup Failed: Show read stopped: Controller not responding; the shows were not written"},
        {WriteOutcomeText({WriteOutcome::Stage::Backup, Fails(Reason::FolderExists), "/b", false, {}, {}}, shows),
         "Show Backup Failed: " + Shown("/b") + " exists already; the shows were not written"},
        {WriteOutcomeText({WriteOutcome::Stage::Backup, Fails(Reason::NoBackupRoot), "", false, {}, {}}, shows),
         "Show Backup Failed: there is no folder for backups; the shows were not written"},
        {WriteOutcomeText({WriteOutcome::Stage::Write, Fails(Reason::NotResponding), "/b", true, {}, {}}, shows),
         "Show write stopped: Controller not responding. " + text::ShowsIncomplete +
             "; the controller's shows from before are in " + Shown("/b")},
        {WriteOutcomeText({WriteOutcome::Stage::Verify,
                           Fails(Reason::ShowsDiffer),
                           "",
                           false,
                           {ShowDifference::Field::DataByte, 1, 0x41, 0xBE, 17},
                           {}},
                          shows),
         "Show Verify Failed: show 1 data at byte offset 17: wrote 0x41, read back 0xBE"},
        {WriteOutcomeText({WriteOutcome::Stage::Verify, Result::Done(), "", false, {}, {}}, shows), "Shows Verified"},
        // Project files.
        {FileEventText(Event(FileEvent::Step::Saved, FileEvent::Kind::Show)),
         "Show Saved as: " + Shown("/Demo/001.K5S")},
        {FileEventText(
             Event(FileEvent::Step::SaveFailed, FileEvent::Kind::Config, Fails(Reason::NoTableImage, -1, 0, 304))),
         "cfg Save Failed: " + Shown("/Demo/001.K5S") + ": no table image of 304 bytes to save"},
        {FileEventText(Event(FileEvent::Step::OpenFailed, FileEvent::Kind::Show, Fails(Reason::FileSize, 4, 3, 16))),
         "Show Open Failed: " + Shown("/Demo/001.K5S") + " holds only 3 bytes"},
        {FileEventText(
             Event(FileEvent::Step::OpenFailed, FileEvent::Kind::Config, Fails(Reason::FileSize, -1, 303, 304))),
         "Config Open Failed: " + Shown("/Demo/001.K5S") + " holds 303 bytes, not 304"},
        {FileEventText(
             Event(FileEvent::Step::OpenFailed, FileEvent::Kind::Config, Fails(Reason::TooManyShows, -1, 200, 10))),
         "Config Open Failed: " + Shown("/Demo/001.K5S") + ": the file reports 200 shows; at most 10 can be held"},
        {FileEventText(Event(FileEvent::Step::Missing, FileEvent::Kind::Show)), "Show 2 File Not Found."},
        {ShowsPresenter::NotSaved({Event(FileEvent::Step::SaveFailed, FileEvent::Kind::Show,
                                         Result::Fail(ResultCode::FileError, Reason::SystemError, "Is a directory"))}),
         "These files were not saved:\r\n" + Shown("/Demo/001.K5S") + ": Is a directory"},
        {TriggerActionText(3, true), "Show # 1 Start"},
        // Edits of the show table not saved.
        {LoseEditsText(EditsLostBy::Read),
         "The show table has edits that are not saved. Throw them away and read the controller's shows?"},
        {LoseEditsText(EditsLostBy::Connect),
         "The show table has edits that are not saved. If the controller you connect to is of another model, they "
         "are thrown away. Connect anyway?"},
        {text::CloseQuestionText(std::nullopt, true),
         "The show table has edits that are not saved. Throw them away and close?"},
        {text::CloseQuestionText(ConversationKind::ShowRead, true),
         "The shows are still being read. Stop and close? The edits of the show table that are not saved are lost "
         "too."},
        {text::CloseQuestionText(std::nullopt, false), ""},
        {EditedCaption("Marrowick Interface Utility", true), "*Marrowick Interface Utility"},
        {TriggerActionText(255, false), "Show # 253"},
        {NameFaultText({NameFault::Kind::Character, '|'}, "a|b"), "A project name cannot contain the character \"|\"."},
        {NameFaultText({NameFault::Kind::DeviceName}, "con.txt"),
         "\"con.txt\" cannot be a project name: Windows keeps it for a device."},
        // The audio library.
        {ClipTransferText(Result::Done()), "Audio Library Transmission Complete"},
        {ClipTransferText(Fails(Reason::Refusals, 3, 21)),
         "Audio clip transfer stopped: the controller refused packet 3 21 times in a row. The controller may still "
         "wait for the rest of the library: send the clips again, or switch the controller off and on if it does not "
         "answer"},
        {ClipTransferText(Fails(Reason::AnswerUnreadable, 2)),
         "Audio clip transfer stopped: the controller's answer to packet 2 could not be read. " +
             text::LibraryIncomplete},
        {ClipTransferText(Fails(Reason::NoAnswer, 1)),
         "Audio clip transfer stopped: the controller did not answer packet 1. " + text::LibraryIncomplete},
        {ClipProblemText({ClipProblem::Kind::TooLarge, "/c/big.mp3", {}, 5000000, 100, 0, 0}),
         "File Too Large: " + Shown("/c/big.mp3") + " has 5000000 bytes, 100 bytes of audio memory are left"},
        {ClipProblemText({ClipProblem::Kind::Changed, "/c/a.mp3", {}, 7, 0, 1000, 0}),
         "Clip file " + Shown("/c/a.mp3") + " has changed since it was added: it is now 7 bytes, it was 1000 bytes"},
        {ClipProblemText({ClipProblem::Kind::TooMany, {}, {}, 0, 0, 0, 100}),
         "100 files were given; a library holds at most 99"},
        {CapacityText(3.2e6, 4063232, 12), "3.2 MB of 4.1 MB used (12 clips)"},
        // Firmware.
        {FirmwareText(firmware),
         "Firmware image 105 sent: 756 records; the controller did not confirm the last record"},
        {FirmwareText(Fails(Reason::Refusals, -1, 21)),
         "Firmware Download Aborted: the controller refused the start of the download 21 times in a row"},
        {FirmwareText(Fails(Reason::AnswerUnreadable, 2)),
         "Firmware Download Aborted: the controller's answer to record 2 could not be read"},
        {FirmwareText(Fails(Reason::NoAnswer, 9, 5000)),
         "Firmware Download Aborted: no answer from the controller within 5 s"},
        {FirmwarePanelText(Fails(Reason::Cancelled)), "Firmware Download Aborted"},
        {FirmwareUpdatedText("0.90", "1.00"), "Firmware updated: 0.90 \u2192 1.00"},
        {DownloadQuestionText(105, "0.01"),
         "Download firmware image 105 (T7 version 1.00)? The controller runs version 0.01."},
        {DownloadQuestionText(105, "9.99"), "Download firmware image 105 (T7 version 1.00)? The controller runs "
                                            "version 9.99. This image is OLDER than what it runs."},
        {ImageProblemText(105, {ImageProblem::Fault::Checksum, 12, ":0300300002337A1F", 17, 0x1F, 0x1E}),
         "Firmware image 105 cannot be sent: line 12 (:0300300002337A1F) has the checksum 1F where 1E is right. "
         "Nothing was sent."},
    };
    for (const auto& [said, expected] : rows)
        EXPECT_EQ(said, expected);
}

} // namespace marrowick::testing
