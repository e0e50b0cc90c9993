#pragma once

#include <memory>
#include <string>

#include "core/Session.h"
#include "peer/ControllerSimulator.h"
#include "peer/SimulatedPort.h"
#include "support/Fakes.h"
#include "support/ManualClock.h"

namespace marrowick::testing {

// A session wired to a simulated controller over an in-memory line, with a
// manual clock, a recording view and scripted dialogs.
struct Harness {
    explicit Harness(ControllerState state = SampleControllerState("K5"))
        : simulator(std::move(state)), port(clock, simulator), session(view, dialogs, clock, port)
    {
        session.log.DebugMode = true;
        // As after "Do not ask again": conversation tests write without the
        // question; the tests of the question turn it back on.
        session.shows().SetWriteSwitches(false, false, false);
    }

    // Opens the line and runs the identification to its end.
    bool Identify(const std::string& portName = "COM1")
    {
        const bool opened = session.Connect(portName);
        clock.RunUntilIdle(5000);
        return opened;
    }

    // Everything the program sent, as the controller saw it.
    std::string Sent() const { return sent; }

    ManualClock clock;
    RecordingView view;
    ScriptedDialogs dialogs;
    ControllerSimulator simulator;
    SimulatedPort port;
    Session session;
    std::string sent;
    int sentConnection = session.link.BytesSent.connect([this](std::string_view b) { sent.append(b); });
};

} // namespace marrowick::testing
