#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "base/Result.h"
#include "models/Controller.h"
#include "shows/ShowTable.h"

namespace marrowick {

// One change a person makes to the table held: a show's clip, volume or
// delays, or the configuration's trigger wiring, lockout or trigger actions.
struct ShowEdit {
    enum class Field { Clip, Volume, PreDelay, PostDelay, Wiring, Lockout, TriggerA, TriggerB };
    Field field = Field::Clip;
    int show = -1; // the show of Clip, Volume, PreDelay and PostDelay
    // 0..99 for a show's value; 0 normally open, 1 normally closed; 0 off, 1
    // on; a trigger action code (0 next, 1 previous, 2 stop, show n: n + 2).
    int value = 0;

    bool operator==(const ShowEdit&) const = default;
};

// The highest clip, volume or delay a show takes.
inline constexpr int MaxShowValue = 99;

// Whether the field is one of a show's four values.
constexpr bool IsShowField(ShowEdit::Field field)
{
    return field == ShowEdit::Field::Clip || field == ShowEdit::Field::Volume || field == ShowEdit::Field::PreDelay ||
           field == ShowEdit::Field::PostDelay;
}

// Whether the model's table carries the field at all: the wiring everywhere,
// the lockout in the R2 layout, trigger A and B where the model has them.
bool ModelHasField(const controller& model, ShowEdit::Field field);

// Why `edit` cannot be made to the shows held for `model`; Done when it can:
// NoShowTable (a T7), OtherModel (the shows are another model's, named in
// detail), NoShowField (the model's table has no such field; number: the
// field), NoSuchShow (number: the show, itself or named by a trigger action),
// OutOfRange (got: the value, expected: the highest allowed; number: the
// field), NoTableImage (an R2-layout table without its image).
Result EditProblem(const ShowState& shows, const controller& model, const ShowEdit& edit);

// The value the edit's field holds now.
int FieldValue(const ShowState& shows, const ShowEdit& edit);

// Makes an edit EditProblem allows: the show's entry (which a K5 show file and
// every write carry) and, in the R2 layout, the same field of the table image
// that 000.CFG keeps and the write sends; nothing else changes. Setting the
// wiring makes it known, so a K5 project keeps it.
void ApplyEdit(ShowState& shows, const ShowEdit& edit);

// The edits made to the table held, to take back and make again, and whether
// the table differs from what was last read, opened or saved.
class EditHistory {
public:
    // Makes the edit (one EditProblem allows) and keeps what it replaced; the
    // edits taken back before it can no longer be made again. An edit that
    // changes nothing is not kept.
    void Make(ShowState& shows, const ShowEdit& edit);
    // Takes back the last edit made; false when there is none.
    bool Undo(ShowState& shows);
    // Makes again the last edit taken back; false when there is none.
    bool Redo(ShowState& shows);
    bool CanUndo() const { return m_done > 0; }
    bool CanRedo() const { return m_done < m_steps.size(); }
    // The table differs from when it was last read, opened or saved.
    bool Unsaved() const { return m_saved != m_done; }
    // The table as it is now was saved.
    void MarkSaved() { m_saved = m_done; }
    // A new table was read or opened: no edits, nothing unsaved.
    void Clear();

private:
    struct Step {
        ShowEdit made;
        int before = 0;
        bool triggerKnownBefore = false;
    };
    std::vector<Step> m_steps;
    std::size_t m_done = 0;
    // Where in m_steps the table was saved; none once that state cannot come back.
    std::optional<std::size_t> m_saved = 0;
};

} // namespace marrowick
