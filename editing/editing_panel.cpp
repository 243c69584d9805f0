// EditingCore: the entry panel's keys, and the panel in which the selected key's six numbers are
// typed and applied.
#include <vector>

#include "editing/editing_core.h"

namespace kvr {

namespace {

// The fields in panel order: time and value of the point, of the in-handle, of the out-handle.
enum Field : std::size_t { PointTime, PointValue, InTime, InValue, OutTime, OutValue, kFields };

}  // namespace

void EditingCore::openKeyPanel() {
    const BezierKey* key = selectedKey();
    if (!key) return;
    openPanel(PanelPurpose::KeyNumbers,
              {
                  {"key time", floatText(key->point.x)},
                  {"key value", floatText(key->point.y)},
                  {"in time", floatText(key->inHandle.x)},
                  {"in value", floatText(key->inHandle.y)},
                  {"out time", floatText(key->outHandle.x)},
                  {"out value", floatText(key->outHandle.y)},
              },
              numberCharacter);
}

void EditingCore::openPanel(PanelPurpose purpose, std::vector<EntryPanel::Field> fields,
                            EntryPanel::CharacterRule accepts) {
    // A drag under way ends here as a step of its own; the panel's edit is the next one. A box
    // under way is given up: what the panel applies to is what is active now.
    document_.finishEdit();
    box_.reset();
    panel_.emplace(std::move(fields), std::move(accepts));
    panelPurpose_ = purpose;
}

void EditingCore::panelKey(int symbol, KeyModifiers modifiers, char32_t typed) {
    switch (symbol) {
        case keys::Return:
        case keys::KeypadEnter:
            if (applyPanel()) panel_.reset();
            break;
        case keys::Escape:
            panel_.reset();
            break;
        case keys::Tab:
            panel_->moveActive(modifiers.shift ? -1 : 1);
            break;
        case keys::Backspace:
            panel_->eraseBack();
            break;
        default:
            // The character, not the symbol: '+' lies on different keys in different layouts.
            panel_->type(typed);
            break;
    }
}

bool EditingCore::applyKeyPanel() {
    const std::optional<KeyRef> active = activeKey();
    if (!active) return true;
    const BezierKey* key = &active->channel->keys()[active->index];
    float typed[kFields];
    std::vector<std::size_t> wrong;
    for (std::size_t f = 0; f < kFields; ++f) {
        const std::optional<float> value = parseFiniteFloat(panel_->fields()[f].text);
        if (value) {
            typed[f] = *value;
        } else {
            wrong.push_back(f);
        }
    }
    if (!wrong.empty()) {
        panel_->mark(wrong, "not a number");
        return false;
    }

    // The point goes where typed. A handle whose fields are as they opened keeps its offset from
    // the point, as when the whole key is dragged; one whose fields were edited goes where typed.
    BezierKey moved = *key;
    moved.point = {typed[PointTime], typed[PointValue]};
    const Point2 delta{moved.point.x - key->point.x, moved.point.y - key->point.y};
    const auto place = [&](Point2& handle, std::size_t timeField, std::size_t valueField) {
        if (panel_->changed(timeField) || panel_->changed(valueField)) {
            handle = {typed[timeField], typed[valueField]};
        } else {
            // Adding no offset leaves even a negative zero as it was.
            if (delta.x != 0.0f) handle.x += delta.x;
            if (delta.y != 0.0f) handle.y += delta.y;
        }
    };
    place(moved.inHandle, InTime, InValue);
    place(moved.outHandle, OutTime, OutValue);

    // In place, as after a drag: the key keeps its place in the channel.
    document_.editAsOneStep([&] {
        active->channel->setKey(active->index, moved, &document_.changesOf(*active->channel));
    });
    return true;
}

}  // namespace kvr
