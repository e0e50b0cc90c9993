#include "cli/Cli.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <iostream>

#include "link/Identification.h"
#include "platform/QuietView.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtSettings.h"

namespace marrowick::cli {
namespace {

// Panel-1 messages go to stdout as lines; the rest of the window is not shown.
class ConsoleView : public QuietView {
public:
    void setStatus(int panel, const std::string& text) override
    {
        if (panel == 1 && !text.empty() && text != m_lastPrinted) {
            std::cout << text << std::endl;
            m_lastPrinted = text;
        }
    }

private:
    std::string m_lastPrinted;
};

class ConsoleDialogs : public Dialogs {
public:
    explicit ConsoleDialogs(Context& context) : m_context(context) {}
    void message(const std::string& text, const std::string&, DialogIcon) override { std::cerr << text << std::endl; }
    bool question(const std::string& text, const std::string&, DialogIcon) override
    {
        const auto found = m_context.answers.find(text);
        return found != m_context.answers.end() && found->second;
    }
    std::optional<std::string> prompt(const std::string&, const std::string&, const std::string&) override
    {
        return m_context.promptAnswer;
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return m_context.folderAnswer; }
    std::vector<std::string> openFiles(const std::string&) override { return {}; }

private:
    Context& m_context;
};

} // namespace

std::string Args::Option(const std::string& name, const std::string& fallback) const
{
    const auto found = options.find(name);
    return found == options.end() ? fallback : found->second;
}

std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}

struct Context::Impl {
    QtSettings settings;
    QtClock clock;
    std::unique_ptr<QtSerialPort> port;
    ConsoleView view;
    std::unique_ptr<ConsoleDialogs> dialogs;
    std::unique_ptr<Session> session;
};

Context::Context(const Command& command_, Args args_)
    : command(command_), args(std::move(args_)), m_impl(std::make_unique<Impl>())
{
    m_impl->port = std::make_unique<QtSerialPort>(&m_impl->settings);
    m_impl->dialogs = std::make_unique<ConsoleDialogs>(*this);
    m_impl->session = std::make_unique<Session>(m_impl->view, *m_impl->dialogs, m_impl->clock, *m_impl->port);
}

Context::~Context()
{
    m_impl->session->Shutdown();
}

Session& Context::session()
{
    return *m_impl->session;
}

int Context::Usage(const std::string& problem) const
{
    if (!problem.empty())
        std::cerr << "marrowick-cli " << command.name << ": " << problem << "\n";
    std::cerr << "usage: marrowick-cli " << command.usage << std::endl;
    return ExitUsage;
}

int Context::Fail(const std::string& message) const
{
    EndProgress();
    std::cerr << message << std::endl;
    return ExitFailed;
}

void Context::RunUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    // Checked whenever the session's link state changes and on a slow heartbeat,
    // so a condition set outside a state change is still seen; nothing spins.
    const int id = session().stateEngine.StateChanged.connect([&](std::int16_t) {
        if (done())
            QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    heartbeat.start(50);
    if (!done())
        loop.exec();
    session().stateEngine.StateChanged.disconnect(id);
}

int Context::Identify()
{
    const std::string port = args.Option("port");
    if (port.empty())
        return Usage("--port is missing");
    if (args.options.count("timeout") != 0) {
        try {
            const double seconds = std::stod(args.Option("timeout"));
            if (!(seconds > 0))
                throw std::invalid_argument("not positive");
            session().timeoutOverrideMs = static_cast<int>(seconds * 1000.0);
        } catch (const std::exception&) {
            return Usage("--timeout wants a number of seconds above 0");
        }
    }
    std::optional<Outcome> outcome;
    const int id = session().identification().Finished.connect([&](const Outcome& o) { outcome = o; });
    std::string error;
    const bool opened = session().Connect(port, &error);
    if (opened)
        RunUntil([&] { return outcome.has_value(); });
    session().identification().Finished.disconnect(id);
    if (!opened)
        return Fail(error); // the reason names the port
    if (!outcome->ok)
        return Fail(outcome->message);
    return ExitOk;
}

void Context::Progress(const std::string& line) const
{
    std::cerr << "\r" << line << "\x1b[K" << std::flush;
}

void Context::EndProgress() const
{
    std::cerr << std::flush;
}

} // namespace marrowick::cli

int main(int argc, char** argv)
{
    using namespace marrowick::cli;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowick"));
    QCoreApplication::setOrganizationName(QStringLiteral("marrowick"));
    // The commands register in an order that differs between compilers; --help lists them by name.
    std::sort(Commands().begin(), Commands().end(), [](const Command& a, const Command& b) { return a.name < b.name; });

    auto printHelp = [](std::ostream& out) {
        out << "usage: marrowick-cli COMMAND [OPTIONS]\n\ncommands:\n";
        for (const auto& command : Commands())
            out << "  " << command.usage << "\n";
        out << "\nPORT is COM3, 3 or a device path such as /dev/ttyUSB0.\n"
               "marrowick-cli COMMAND --help tells more about a command.\n";
    };
    if (argc < 2) {
        printHelp(std::cerr);
        return ExitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(std::cout);
        return ExitOk;
    }
    const Command* command = nullptr;
    for (const auto& candidate : Commands())
        if (candidate.name == name)
            command = &candidate;
    if (command == nullptr) {
        std::cerr << "marrowick-cli: unknown command " << name << "\n";
        printHelp(std::cerr);
        return ExitUsage;
    }
    Args args;
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            std::cout << "usage: marrowick-cli " << command->usage << "\n\n" << command->help << "\n";
            return ExitOk;
        }
        if (word.rfind("--", 0) == 0 && word.size() > 2) {
            word = word.substr(2);
            if (command->flags.count(word) != 0) {
                args.flags.insert(word);
            } else if (i + 1 < argc) {
                args.options[word] = argv[++i];
            } else {
                std::cerr << "marrowick-cli " << name << ": --" << word << " needs a value\n";
                std::cerr << "usage: marrowick-cli " << command->usage << "\n";
                return ExitUsage;
            }
        } else {
            args.positional.push_back(word);
        }
    }
    Context context(*command, std::move(args));
    return command->run(context);
}
