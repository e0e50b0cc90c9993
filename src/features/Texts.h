#pragma once

#include <optional>
#include <string>

#include "base/Result.h"
#include "conversations/Conversation.h"
#include "platform/SerialPort.h"

namespace marrowick::text {

// The texts that several parts of the program show, and that scripts and
// people look for, kept in one place so their wording is decided once.
inline const std::string VersionNotAvailable = "Firmware Version Not Available";
inline const std::string ModelNotAvailable = "Model Not Available";
inline const std::string SerialNotAvailable = "Serial Number Not Available";
inline const std::string DownloadComplete = "Download Complete";
// Followed by the system's reason.
inline const std::string PortLost = "Serial port lost: ";
// Added to it while the window watches for the port to come back.
inline const std::string WaitingForPort = " - waiting for it to come back";

// What a write or a clip transfer that stopped half-way leaves on the controller.
inline const std::string ShowsIncomplete = "The controller's shows are incomplete: write them again";
inline const std::string LibraryIncomplete =
    "The controller may still wait for the rest of the library: send the clips again, or switch the controller off "
    "and on if it does not answer";

// What panel 1 says once a project's shows are loaded.
inline std::string ShowsLoaded(int count)
{
    return "Show Loading Complete. Loaded " + std::to_string(count) + " shows";
}

// A reply as a person can read it, in quotes: every byte outside printable
// ASCII as \xNN; without the padding around it, unless nothing but padding came.
std::string QuotedReply(const std::string& reply);

// A model's name as a sentence says it: "a K5", "an R2", "an L+".
std::string WithArticle(const std::string& model);

// Asked when the window is closed while a conversation of `kind` runs.
std::string StopAndCloseText(ConversationKind kind);
// What every question about edits of the show table that are not saved begins with.
inline const std::string UnsavedEdits = "The show table has edits that are not saved.";
// Asked before the window closes when that stops a conversation of kind
// `running` or throws away edits not saved; empty when it does neither.
std::string CloseQuestionText(std::optional<ConversationKind> running, bool unsavedEdits);

// "SIGINT", "SIGTERM", "SIGHUP"; 0 is the Windows console closing.
std::string SignalName(int signal);

// Why a conversation was ended from outside ("Cancelled", "Serial port lost:
// ..."), or what the controller did that every conversation words the same
// ("Controller not responding"); empty for a reason of its own.
std::string Why(const Result& result);

// What panel 1 and the log say of an error the line reported ("Overrun
// error"); empty for those not told (a framing error, a lost port).
std::string LineEventText(LineEventKind kind);
// Added to a failure's text when the line reported errors while the
// conversation ran: " (the line reported: Overrun error)"; empty otherwise.
std::string LineErrorsNote(const Result& result);

} // namespace marrowick::text
