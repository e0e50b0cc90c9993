#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Settings.h"
#include "ui/Dialogs.h"
#include "ui/View.h"

namespace marrowick::testing {

// What the recording view holds per control: looked up by the control's
// name, and a name the window does not have is refused, so a test cannot
// check a control that does not exist.
template <typename T> class ControlMap {
public:
    T& operator[](const std::string& name)
    {
        if (!FindControl(name))
            throw std::invalid_argument("the main window has no control " + name);
        return m_values[name];
    }
    T& operator[](Control control) { return m_values[std::string(control.Name())]; }
    std::size_t count(const std::string& name) const { return m_values.count(name); }
    bool empty() const { return m_values.empty(); }
    const T& at(const std::string& name) const
    {
        if (!FindControl(name))
            throw std::invalid_argument("the main window has no control " + name);
        return m_values.at(name);
    }
    const T* Find(Control control) const
    {
        const auto found = m_values.find(std::string(control.Name()));
        return found == m_values.end() ? nullptr : &found->second;
    }
    auto begin() const { return m_values.begin(); }
    auto end() const { return m_values.end(); }
    void clear() { m_values.clear(); }
    bool operator==(const ControlMap&) const = default;

private:
    std::map<std::string, T> m_values;
};

// Records what the core shows; every control starts as the window lays it out
// only where a test sets it up.
class RecordingView : public View {
public:
    void setWindowCaption(const std::string& text) override { caption = text; }
    void setStatus(int panel, const std::string& text) override
    {
        status[panel] = text;
        statusHistory[panel].push_back(text);
    }
    void setProgressMaximum(double maximum) override { progressMaximum = maximum; }
    void setProgressValue(double value) override
    {
        progressValue = value;
        progressHistory.push_back(value);
    }
    void setCaption(Control control, const std::string& text) override { captions[control] = text; }
    void setVisible(Control control, bool v) override { visible[control] = v; }
    void setAvailable(Control control, const std::string& whyNot) override { unavailable[control] = whyNot; }
    void setChecked(Control control, bool c) override { checked[control] = c; }
    void setTabEnabled(int tab, bool e) override { tabEnabled[tab] = e; }
    void setFillColor(Control control, Rgb colour) override { fills[control].push_back(colour); }
    void setRows(Control control, const std::vector<std::vector<std::string>>& r) override
    {
        rows[control] = r;
        marks[control].clear();
    }
    void markRows(Control list, const std::vector<std::string>& warnings) override { marks[list] = warnings; }
    // The show table's editors are looked at in the real window (WindowWiringTest).
    void setEditableCells(Control, const std::vector<std::vector<int>>&, int) override {}
    void setChoices(Control, const std::vector<std::string>&, int) override {}
    std::vector<int> selectedRows(Control list) const override
    {
        const auto* rows = selection.Find(list);
        return rows ? *rows : std::vector<int>{};
    }
    void setMeter(Control bar, double maximum, double value, const std::string& text, bool warning) override
    {
        meters[bar] = {maximum, value, text, warning};
    }
    int selectedOption(Control optionArray) const override
    {
        const int* selected = options.Find(optionArray);
        return selected ? *selected : 0;
    }
    void openFile(const std::string& path) override { opened.push_back(path); }
    void closeWindow() override { closed = true; }

    std::string caption;
    std::map<int, std::string> status;
    std::map<int, std::vector<std::string>> statusHistory;
    double progressMaximum = 0;
    double progressValue = 0;
    std::vector<double> progressHistory;
    ControlMap<std::string> captions;
    ControlMap<bool> visible;
    ControlMap<std::string> unavailable; // why each control is greyed out; empty: usable
    ControlMap<bool> checked;
    std::map<int, bool> tabEnabled;
    ControlMap<std::vector<Rgb>> fills;
    ControlMap<std::vector<std::vector<std::string>>> rows;
    ControlMap<std::vector<std::string>> marks; // warning texts of a list's rows, as last marked
    ControlMap<int> options;
    ControlMap<std::vector<int>> selection; // rows the "user" selected in a list
    struct Meter {
        double maximum = 0;
        double value = 0;
        std::string text;
        bool warning = false;
    };
    ControlMap<Meter> meters;
    std::vector<std::string> opened; // files opened in the system's program for them
    bool closed = false;
};

// Answers dialogs from a script and records every one shown.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind; // "message", "question", "prompt", "folder", "files"
        std::string text;
        std::string caption;
        DialogIcon icon = DialogIcon::None;
        std::optional<Question> question;
        std::string folder; // a failure's folder to open
    };

    void message(const std::string& text, const std::string& caption, DialogIcon icon) override
    {
        Show({"message", text, caption, icon, std::nullopt, {}});
    }
    bool question(Question id, const std::string& text, const std::string& caption, DialogIcon icon) override
    {
        Show({"question", text, caption, icon, id, {}});
        return Next(answers, defaultAnswer);
    }
    void failure(const std::string& text, const std::string& folder) override
    {
        Show({"failure", text, AppTitle, DialogIcon::Critical, std::nullopt, folder});
    }
    bool confirm(Question id, const std::string& text, bool& askAgain) override
    {
        const bool answer = question(id, text, AppTitle, DialogIcon::Question);
        if (answer && doNotAskAgain)
            askAgain = false;
        return answer;
    }
    std::optional<std::string> prompt(const std::string& text, const std::string& title, const std::string&) override
    {
        shown.push_back({"prompt", text, title, DialogIcon::None, std::nullopt, {}});
        return Next(prompts, std::optional<std::string>());
    }
    std::optional<std::string> chooseFolder(const std::string& title) override
    {
        shown.push_back({"folder", title, "", DialogIcon::None, std::nullopt, {}});
        return Next(folders, std::optional<std::string>());
    }
    std::vector<std::string> openFiles(const std::string& filter) override
    {
        shown.push_back({"files", filter, "", DialogIcon::None, std::nullopt, {}});
        return Next(files, std::vector<std::string>());
    }

    std::vector<std::string> Texts(const std::string& kind) const
    {
        std::vector<std::string> out;
        for (const auto& s : shown)
            if (s.kind == kind)
                out.push_back(s.text);
        return out;
    }

    std::vector<Shown> shown;
    // Runs while a message or question is open, before it is answered: what
    // the test sees then, or what happens on the line meanwhile.
    std::function<void(const Shown&)> whileOpen;
    std::deque<bool> answers;
    bool defaultAnswer = false;
    // "Do not ask again" is ticked in every confirmation answered Yes.
    bool doNotAskAgain = false;
    std::deque<std::optional<std::string>> prompts;
    std::deque<std::optional<std::string>> folders;
    std::deque<std::vector<std::string>> files;

private:
    void Show(Shown box)
    {
        shown.push_back(std::move(box));
        if (whileOpen)
            whileOpen(Shown(shown.back()));
    }
    // The next scripted answer, or `otherwise` once the script has run out.
    template <typename T> static T Next(std::deque<T>& script, T otherwise)
    {
        if (script.empty())
            return otherwise;
        T answer = std::move(script.front());
        script.pop_front();
        return answer;
    }
};

class MemorySettings : public Settings {
public:
    std::string value(const std::string& section, const std::string& key, const std::string& def) const override
    {
        const auto found = values.find(section + "/" + key);
        return found == values.end() ? def : found->second;
    }
    void setValue(const std::string& section, const std::string& key, const std::string& v) override
    {
        values[section + "/" + key] = v;
    }
    std::map<std::string, std::string> values;
};

} // namespace marrowick::testing
