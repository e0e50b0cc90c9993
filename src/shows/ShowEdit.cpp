#include "shows/ShowEdit.h"

#include <algorithm>

#include "shows/TableReply.h"

namespace marrowick {
namespace {

using Field = ShowEdit::Field;

constexpr std::size_t FlagsOffset = 160 + 1;
constexpr std::size_t TriggerAOffset = 166;
constexpr std::size_t TriggerBOffset = 167;
constexpr unsigned WiringBit = 2;
constexpr unsigned LockoutBit = 4;
// The first action code that names a show: code 3 starts show 1.
constexpr int FirstShowAction = 3;
constexpr int MaxAction = 255;

bool R2Layout(const ShowState& shows)
{
    return shows.TocImage.size() == TocImageBytes;
}

// Offset of a show field within its show's 16-byte block.
std::size_t FieldOffset(Field field)
{
    return 8 + static_cast<std::size_t>(static_cast<int>(field) - static_cast<int>(Field::Clip));
}

std::uint8_t& EntryField(ShowEntry& entry, Field field)
{
    switch (field) {
    case Field::Volume:
        return entry.Volume;
    case Field::PreDelay:
        return entry.PreShowDelay;
    case Field::PostDelay:
        return entry.PostShowDelay;
    default:
        return entry.ClipNumber;
    }
}

void SetFlag(std::string& image, unsigned bit, bool on)
{
    auto flags = static_cast<unsigned char>(image[FlagsOffset]);
    flags = static_cast<unsigned char>(on ? (flags | bit) : (flags & ~bit));
    image[FlagsOffset] = static_cast<char>(flags);
}

Result OutOfRange(const ShowEdit& edit, int highest)
{
    return Result::Fail(ResultCode::Refused, Reason::OutOfRange, static_cast<int>(edit.field), edit.value, highest);
}

} // namespace

bool ModelHasField(const controller& model, Field field)
{
    const ModelTraits& traits = model.Traits();
    if (!traits.hasShowTable)
        return false;
    switch (field) {
    case Field::Lockout:
        return traits.layout == TableLayout::R2;
    case Field::TriggerA:
        return traits.triggerInputs >= 1;
    case Field::TriggerB:
        return traits.triggerInputs >= 2;
    default:
        return true;
    }
}

Result EditProblem(const ShowState& shows, const controller& model, const ShowEdit& edit)
{
    if (!model.Traits().hasShowTable)
        return Result::Fail(ResultCode::Refused, Reason::NoShowTable, model.Name());
    if (!shows.model.empty() && shows.model != model.Name())
        return Result::Fail(ResultCode::Refused, Reason::OtherModel, shows.model);
    if (!ModelHasField(model, edit.field))
        return Result::Fail(ResultCode::Refused, Reason::NoShowField, static_cast<int>(edit.field), 0, 0, model.Name());
    if (model.Traits().layout == TableLayout::R2 && !R2Layout(shows))
        return Result::Fail(ResultCode::Refused, Reason::NoTableImage);
    const int lastShow = std::min<int>(shows.ShowCount, MaxShowCount);
    switch (edit.field) {
    case Field::Wiring:
    case Field::Lockout:
        return edit.value == 0 || edit.value == 1 ? Result::Done() : OutOfRange(edit, 1);
    case Field::TriggerA:
    case Field::TriggerB:
        // Only a show that exists can be started; the ambient show is not numbered.
        if (edit.value >= FirstShowAction && edit.value - 2 > lastShow)
            return Result::Fail(ResultCode::Refused, Reason::NoSuchShow, edit.value - 2, lastShow);
        return edit.value >= 0 && edit.value <= MaxAction ? Result::Done() : OutOfRange(edit, MaxAction);
    default:
        if (edit.show < shows.FirstShow() || edit.show > lastShow)
            return Result::Fail(ResultCode::Refused, Reason::NoSuchShow, edit.show, lastShow);
        return edit.value >= 0 && edit.value <= MaxShowValue ? Result::Done() : OutOfRange(edit, MaxShowValue);
    }
}

int FieldValue(const ShowState& shows, const ShowEdit& edit)
{
    switch (edit.field) {
    case Field::Wiring:
        return shows.TriggerMode;
    case Field::Lockout:
        return shows.LockOut;
    case Field::TriggerA:
        return TriggerActionA(shows);
    case Field::TriggerB:
        return TriggerActionB(shows);
    default: {
        ShowEntry entry = shows.ShowTable[static_cast<std::size_t>(edit.show)];
        return EntryField(entry, edit.field);
    }
    }
}

void ApplyEdit(ShowState& shows, const ShowEdit& edit)
{
    const auto value = static_cast<std::uint8_t>(edit.value);
    const bool image = R2Layout(shows);
    switch (edit.field) {
    case Field::Wiring:
        shows.TriggerMode = static_cast<std::int16_t>(edit.value);
        shows.triggerKnown = true;
        if (image)
            SetFlag(shows.TocImage, WiringBit, edit.value == 1);
        return;
    case Field::Lockout:
        shows.LockOut = static_cast<std::int16_t>(edit.value);
        if (image)
            SetFlag(shows.TocImage, LockoutBit, edit.value == 1);
        return;
    case Field::TriggerA:
    case Field::TriggerB:
        if (image)
            shows.TocImage[edit.field == Field::TriggerA ? TriggerAOffset : TriggerBOffset] = static_cast<char>(value);
        return;
    default: {
        const auto show = static_cast<std::size_t>(edit.show);
        EntryField(shows.ShowTable[show], edit.field) = value;
        if (image)
            shows.TocImage[show * ShowBlockBytes + FieldOffset(edit.field)] = static_cast<char>(value);
        return;
    }
    }
}

void EditHistory::Make(ShowState& shows, const ShowEdit& edit)
{
    const int before = FieldValue(shows, edit);
    const bool known = shows.triggerKnown;
    if (before == edit.value && (edit.field != Field::Wiring || known))
        return;
    m_steps.resize(m_done);
    if (m_saved && *m_saved > m_done)
        m_saved.reset();
    m_steps.push_back({edit, before, known});
    ApplyEdit(shows, edit);
    ++m_done;
}

bool EditHistory::Undo(ShowState& shows)
{
    if (!CanUndo())
        return false;
    const Step& step = m_steps[--m_done];
    ShowEdit back = step.made;
    back.value = step.before;
    ApplyEdit(shows, back);
    shows.triggerKnown = step.triggerKnownBefore;
    return true;
}

bool EditHistory::Redo(ShowState& shows)
{
    if (!CanRedo())
        return false;
    ApplyEdit(shows, m_steps[m_done++].made);
    return true;
}

void EditHistory::Clear()
{
    m_steps.clear();
    m_done = 0;
    m_saved = 0;
}

} // namespace marrowick
