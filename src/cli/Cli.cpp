#include "cli/Cli.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "base/Files.h"
#include "features/IdentityPresenter.h"
#include "features/NewProject.h"
#include "link/LineRate.h"
#include "models/Controller.h"
#include "peer/ControllerSimulator.h"
#include "peer/SimulatedPort.h"
#include "peer/StoredFiles.h"
#include "qt/InterruptWatch.h"
#include "qt/QtClock.h"
#include "qt/QtSerialPort.h"
#include "qt/QtSettings.h"
#include "ui/QuietView.h"

namespace marrowick::cli {
namespace {

// Panel-1 messages go to stdout as lines (unless stdout carries JSON); the
// rest of the window is not shown.
class ConsoleView : public QuietView {
public:
    bool quiet = false;
    void setStatus(int panel, const std::string& text) override
    {
        if (!quiet && panel == 1 && !text.empty() && text != m_lastPrinted) {
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
    void message(const std::string& text, const std::string&, DialogIcon) override
    {
        // A message box's lines end in CR LF; a terminal's in LF.
        std::string lines = text;
        for (auto at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n", at))
            lines.erase(at, 1);
        std::cerr << lines << std::endl;
    }
    bool question(Question id, const std::string&, const std::string&, DialogIcon) override
    {
        const auto found = m_context.answers.find(id);
        return found != m_context.answers.end() && found->second;
    }
    std::optional<std::string> prompt(const std::string&, const std::string&, const std::string&) override
    {
        return m_context.promptAnswer;
    }
    std::optional<std::string> chooseFolder(const std::string&) override { return m_context.folderAnswer; }
    std::vector<std::string> openFiles(const std::string&) override { return {}; }
    // Every command prints its own failure, with its exit status.
    void failure(const std::string&, const std::string&) override {}

private:
    Context& m_context;
};

// Accepted values of --timeout, in seconds.
constexpr double ShortestTimeoutSeconds = 0.1;
constexpr double LongestTimeoutSeconds = 86400.0;
constexpr const char* TimeoutProblem = "--timeout wants a number of seconds from 0.1 to 86400";

// --timeout as milliseconds; nothing unless it is a number in the accepted range.
std::optional<int> TimeoutMsFromText(const std::string& text)
{
    bool number = false;
    const double seconds = QString::fromStdString(text).toDouble(&number);
    // Written so that "nan" fails it too.
    if (!number || !(seconds >= ShortestTimeoutSeconds && seconds <= LongestTimeoutSeconds))
        return std::nullopt;
    return static_cast<int>(std::lround(seconds * 1000.0));
}

// Whether stderr shows on a terminal, where a line can be drawn over again.
bool StderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

} // namespace

std::string Args::Option(const std::string& name, const std::string& fallback) const
{
    const auto found = options.find(name);
    return found == options.end() ? fallback : found->second;
}

void PrintJson(const QJsonDocument& document)
{
    std::cout << document.toJson(QJsonDocument::Indented).toStdString() << std::flush;
}

bool Args::Has(const std::string& name) const
{
    return options.count(name) != 0 || std::find(flags.begin(), flags.end(), name) != flags.end();
}

int ExitStatusOf(const Result& result)
{
    switch (result.code) {
    case ResultCode::Ok:
        return ExitOk;
    case ResultCode::Refused:
    case ResultCode::Busy:
    case ResultCode::TimedOut:
    case ResultCode::UnreadableReply:
    case ResultCode::FileError:
    case ResultCode::PortLost:
    case ResultCode::Cancelled:
        break;
    }
    return ExitFailed;
}

struct Context::Impl {
    QtSettings settings;
    QtClock clock;
    // With --simulate: the controller inside the program, in place of the serial port.
    std::unique_ptr<ControllerSimulator> simulator;
    std::unique_ptr<SerialPort> port;
    SimulatedPort* simulatedPort = nullptr; // the port, with --simulate
    ConsoleView view;
    std::unique_ptr<ConsoleDialogs> dialogs;
    std::unique_ptr<Session> session;
    std::function<void()> wake;
    int progressConnection = 0;
    bool terminal = false;       // stderr is a terminal
    bool quiet = false;          // --quiet: no progress at all
    bool lineOpen = false;       // a progress line is drawn and not yet ended
    long long printedTenth = -1; // away from a terminal: the last tenth of the work told
};

Context::Context(const Command& command_, Args args_)
    : command(command_), args(std::move(args_)), m_impl(std::make_unique<Impl>())
{
    if (const auto model = ModelNamed(args.Option("simulate"))) {
        m_impl->simulator = std::make_unique<ControllerSimulator>(SampleControllerState(model->Name()));
        auto simulated = std::make_unique<SimulatedPort>(m_impl->clock, *m_impl->simulator);
        // At the line's real speed, so time-outs and progress behave as on a real port.
        simulated->SetBytesPerSecond(LineBytesPerSecond);
        m_impl->simulatedPort = simulated.get();
        m_impl->port = std::move(simulated);
    } else {
        m_impl->port = std::make_unique<QtSerialPort>(&m_impl->settings);
    }
    m_impl->view.quiet = args.Has("json");
    m_impl->terminal = StderrIsTerminal();
    m_impl->quiet = args.Has("quiet");
    m_impl->dialogs = std::make_unique<ConsoleDialogs>(*this);
    m_impl->session = std::make_unique<Session>(m_impl->view, *m_impl->dialogs, m_impl->clock, *m_impl->port);
    m_impl->session->rejoinAfterReset = false;
    m_impl->session->status.narrate = false;
    // An error the line reported is told at once, whatever runs, over the
    // progress line a transfer may be showing (which goes on below it).
    m_impl->session->onLineError = [this](const std::string& text) {
        if (m_impl->lineOpen)
            std::cerr << "\r" << OnPort(text) << "\x1b[K" << std::endl;
        else
            std::cerr << OnPort(text) << std::endl;
        m_impl->lineOpen = false;
    };
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
    std::cerr << "Usage: marrowick-cli " << command.usage << std::endl;
    return ExitUsage;
}

int Context::Fail(const std::string& message) const
{
    EndProgress();
    std::cerr << message << std::endl;
    return ExitFailed;
}

int Context::Fail(const Result& result, const std::string& text) const
{
    EndProgress();
    std::cerr << (result.code == ResultCode::FileError ? text : OnPort(text)) << std::endl;
    return ExitStatusOf(result);
}

int Context::CheckNewFolder(const std::filesystem::path& folder) const
{
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder, ec)))
        return ExitOk;
    const std::string name = Utf8FromPath(folder.has_filename() ? folder.filename() : folder.parent_path().filename());
    if (const NameFault fault = CheckProjectName(name))
        return Usage(NameFaultText(fault, name));
    return ExitOk;
}

std::string Context::OnPort(const std::string& message) const
{
    const std::string port = args.Option("port");
    // A bare number ("3") is found in too many messages to count as named there.
    const bool named =
        port.find_first_not_of("0123456789") != std::string::npos && message.find(port) != std::string::npos;
    if (port.empty() || named)
        return message;
    return message + " (port " + port + ")";
}

void Context::RunUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    // Checked once events have settled after a wake-up (a finished conversation,
    // a change of the link state), so nothing polls while the line is busy.
    m_impl->wake = [&] {
        QTimer::singleShot(0, &loop, [&] {
            if (done())
                loop.quit();
        });
    };
    const int id = session().stateEngine.StateChanged.connect([this](LinkState) { Wake(); });
    if (!done())
        loop.exec();
    session().stateEngine.StateChanged.disconnect(id);
    m_impl->wake = nullptr;
}

void Context::Wake()
{
    if (m_impl->wake)
        m_impl->wake();
}

bool Context::Simulated() const
{
    return m_impl->simulator != nullptr;
}

int Context::DumpSimulated()
{
    if (!m_impl->simulator || args.options.count("dump") == 0)
        return ExitOk;
    // The last bytes written may still be on their way, as on a real line.
    m_impl->simulatedPort->onDelivered = [this] { Wake(); };
    RunUntil([this] { return !m_impl->simulatedPort->Sending(); });
    m_impl->simulatedPort->onDelivered = nullptr;
    const std::filesystem::path dir = PathFromUtf8(args.Option("dump"));
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec))
        return Fail("--dump: cannot make the folder " + PathText(dir) + (ec ? ": " + ec.message() : ""));
    int status = ExitOk;
    for (const auto& [name, bytes] : StoredFiles(*m_impl->simulator)) {
        std::string error;
        if (!WriteFileAtomically(dir / name, bytes, &error))
            status = Fail("--dump: " + error);
    }
    return status;
}

int Context::Identify(bool modelMayBeMissing)
{
    const std::string port = Simulated() ? "simulated " + args.Option("simulate") : args.Option("port");
    if (port.empty())
        return Usage("--port or --simulate is missing");
    if (args.options.count("timeout") != 0) {
        const auto ms = TimeoutMsFromText(args.Option("timeout"));
        if (!ms)
            return Usage(TimeoutProblem);
        session().timeoutOverrideMs = *ms;
    }
    std::optional<Result> outcome;
    const int id = session().identification().Finished.connect([&](const Result& o) {
        outcome = o;
        Wake();
    });
    std::string error;
    const bool opened = session().Connect(port, &error);
    if (opened)
        RunUntil([&] { return outcome.has_value(); });
    session().identification().Finished.disconnect(id);
    if (!opened)
        return Fail(error); // the reason names the port
    const Identity& identity = session().identity;
    if (modelMayBeMissing && identity.modelMissing && !identity.modelUnreadable)
        return ExitOk;
    if (!outcome->ok())
        return Fail(*outcome, IdentificationText(*outcome));
    return ExitOk;
}

void Context::Progress(const std::string& line) const
{
    // One write per line: a download rewrites it for every record.
    const std::string text = m_impl->terminal ? "\r" + line + "\x1b[K" : line + "\n";
    std::cerr.write(text.data(), static_cast<std::streamsize>(text.size()));
    m_impl->lineOpen = m_impl->terminal;
}

void Context::EndProgress() const
{
    if (m_impl->lineOpen)
        std::cerr << '\n';
    m_impl->lineOpen = false;
    std::cerr << std::flush;
}

void Context::ShowProgressLines(std::function<std::string()> doing)
{
    StatusBar& status = session().status;
    if (m_impl->progressConnection != 0)
        status.ProgressLineChanged.disconnect(m_impl->progressConnection);
    m_impl->progressConnection =
        status.ProgressLineChanged.connect([this, &status, doing = std::move(doing)](const std::string& line) {
            // Emptied as a conversation ends: the last line stays, and the
            // next conversation counts its tenths anew.
            if (line.empty()) {
                m_impl->printedTenth = -1;
                return;
            }
            if (m_impl->quiet)
                return;
            if (!m_impl->terminal) {
                const auto& progress = status.Reported();
                const long long tenth =
                    progress.total > 0 ? std::min(progress.done, progress.total) * 10 / progress.total : 0;
                if (tenth <= m_impl->printedTenth)
                    return;
                m_impl->printedTenth = tenth;
            }
            Progress(doing() + " " + line);
        });
}

} // namespace marrowick::cli

namespace marrowick::cli {
namespace {

std::vector<Command> AllCommands()
{
    std::vector<Command> all;
    for (auto part : {IdentifyCommands, ShowCommands, LibraryCommands, FirmwareCommands})
        for (Command& command : part())
            all.push_back(std::move(command));
    // --help lists them by name.
    std::sort(all.begin(), all.end(), [](const Command& a, const Command& b) { return a.name < b.name; });
    return all;
}

void PrintHelp(std::ostream& out, const std::vector<Command>& commands)
{
    out << "Usage: marrowick-cli COMMAND [OPTIONS]\n\ncommands:\n";
    for (const auto& command : commands)
        out << "  " << command.usage << "\n";
    out << "\nPORT is COM3, 3 or a device path such as /dev/ttyUSB0.\n"
           "--simulate MODEL (K5, R2, T7 or L+) talks to a controller simulated inside the\n"
           "program instead, at the line's speed, with its sample shows; --dump DIR then\n"
           "writes what it holds at the end into DIR (shows, library, firmware records).\n"
           "read-shows, write-shows, send-clips and flash tell their progress on stderr: on\n"
           "a terminal in one line that rewrites itself, elsewhere in a plain line at each\n"
           "tenth of the work; --quiet tells none.\n"
           "marrowick-cli COMMAND --help tells more about a command.\n";
}

bool AsksForHelp(const QStringList& words)
{
    return std::any_of(words.begin(), words.end(), [](const QString& word) {
        return word == QLatin1String("--help") || word == QLatin1String("-h");
    });
}

// The command's arguments by the options it declares; nothing (after saying
// why on stderr) when they do not parse.
std::optional<Args> ParseArguments(const Command& command, const QStringList& words)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionSpec& spec : command.options) {
        const QString name = QString::fromStdString(spec.name);
        parser.addOption(spec.takesValue ? QCommandLineOption(name, QString(), name.toUpper())
                                         : QCommandLineOption(name, QString()));
    }
    if (!parser.parse(words)) {
        std::cerr << "marrowick-cli " << command.name << ": " << parser.errorText().toStdString() << "\n";
        return std::nullopt;
    }
    Args args;
    for (const OptionSpec& spec : command.options) {
        const QString name = QString::fromStdString(spec.name);
        if (!parser.isSet(name))
            continue;
        if (spec.takesValue)
            args.options[spec.name] = parser.value(name).toStdString();
        else
            args.flags.push_back(spec.name);
    }
    std::map<QString, qsizetype> taken;
    for (const QString& name : parser.optionNames()) {
        const QStringList values = parser.values(name);
        const qsizetype at = taken[name]++;
        args.sequence.emplace_back(name.toStdString(), at < values.size() ? values.at(at).toStdString() : "");
    }
    for (const QString& word : parser.positionalArguments())
        args.positional.push_back(word.toStdString());
    return args;
}

} // namespace
} // namespace marrowick::cli

int main(int argc, char** argv)
{
    using namespace marrowick::cli;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("marrowick"));
    QCoreApplication::setOrganizationName(QStringLiteral("marrowick"));
    const std::vector<Command> commands = AllCommands();
    const QStringList words = QCoreApplication::arguments();
    if (words.size() < 2) {
        PrintHelp(std::cerr, commands);
        return ExitUsage;
    }
    const std::string name = words.at(1).toStdString();
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(std::cout, commands);
        return ExitOk;
    }
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const Command& candidate) { return candidate.name == name; });
    if (command == commands.end()) {
        std::cerr << "marrowick-cli: unknown command " << name << "\n";
        PrintHelp(std::cerr, commands);
        return ExitUsage;
    }
    // The command's words, with the program's name in front as the parser expects.
    QStringList commandWords = words.mid(2);
    commandWords.prepend(words.at(0));
    if (AsksForHelp(words.mid(2))) {
        std::cout << "Usage: marrowick-cli " << command->usage << "\n\n" << command->help << "\n";
        return ExitOk;
    }
    auto args = ParseArguments(*command, commandWords);
    if (!args) {
        std::cerr << "Usage: marrowick-cli " << command->usage << "\n";
        return ExitUsage;
    }
    // Checked before anything else, so a bad value is a usage error whatever else is wrong.
    if (args->options.count("timeout") != 0 && !TimeoutMsFromText(args->Option("timeout"))) {
        std::cerr << "marrowick-cli " << command->name << ": " << TimeoutProblem << "\n";
        std::cerr << "Usage: marrowick-cli " << command->usage << "\n";
        return ExitUsage;
    }
    if (args->options.count("simulate") != 0) {
        const char* problem = nullptr;
        if (!marrowick::ModelNamed(args->Option("simulate")))
            problem = "--simulate wants a model: K5, R2, T7 or L+";
        else if (args->options.count("port") != 0)
            problem = "--port and --simulate cannot be used together";
        else if (args->options.count("dump") != 0 && args->Option("dump").empty())
            problem = "--dump wants a folder";
        if (problem) {
            std::cerr << "marrowick-cli " << command->name << ": " << problem << "\n";
            std::cerr << "Usage: marrowick-cli " << command->usage << "\n";
            return ExitUsage;
        }
    }
    if (args->options.count("dump") != 0 && args->options.count("simulate") == 0) {
        std::cerr << "marrowick-cli " << command->name << ": --dump goes with --simulate\n";
        std::cerr << "Usage: marrowick-cli " << command->usage << "\n";
        return ExitUsage;
    }
    if (!command->takesFiles && !args->positional.empty()) {
        std::cerr << "marrowick-cli " << command->name << ": unexpected " << args->positional.front() << "\n";
        std::cerr << "Usage: marrowick-cli " << command->usage << "\n";
        return ExitUsage;
    }
    Context context(*command, std::move(*args));
    // Ctrl+C, SIGTERM or SIGHUP end what runs as Cancel would (the firmware
    // loader is told to stop); the command then ends with 128 and the signal.
    int interrupted = -1;
    marrowick::InterruptWatch interrupts;
    interrupts.onInterrupt = [&](int signal) {
        interrupted = signal;
        context.session().Interrupt(signal);
        context.Wake();
    };
    int status = ExitFailed;
    try {
        status = command->run(context);
    } catch (const std::bad_alloc&) {
        std::cerr << "marrowick-cli " << command->name << ": the computer ran out of memory" << std::endl;
    }
    // What the simulated controller holds, whatever the command's outcome.
    const int dumped = context.DumpSimulated();
    interrupts.Done();
    if (interrupted >= 0)
        return marrowick::InterruptWatch::ExitStatus(interrupted);
    return status != ExitOk ? status : dumped;
}
