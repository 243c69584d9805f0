// EditingCore: start, the timeline shown, reloading, the selection and the history of edits.
#include "editing/editing_core.h"

namespace kvr {

EditingCore::EditingCore(TimelineRegistry& registry) : document_(registry) {}

void EditingCore::startNew() {
    document_.startNew();
}

void EditingCore::showTimeline(TimelineKind kind, std::string name) {
    document_.finishEdit();
    document_.show(kind, std::move(name));
    selection_.clear();
}

void EditingCore::switchTimeline(int direction) {
    if (document_.switchTimeline(direction)) selection_.clear();
}

void EditingCore::reload() {
    selection_.clear();
    document_.reload();
}

std::optional<KeyRef> EditingCore::activeKey() const {
    const std::optional<KeyRef> key = selection_.active();
    if (!key || key->index >= key->channel->keys().size()) return std::nullopt;
    return key;
}

const BezierKey* EditingCore::selectedKey() const {
    const std::optional<KeyRef> key = activeKey();
    return key ? &key->channel->keys()[key->index] : nullptr;
}

bool EditingCore::undo() {
    return walkHistory(true);
}

bool EditingCore::redo() {
    return walkHistory(false);
}

bool EditingCore::walkHistory(bool back) {
    const TimelineKind kind = document_.currentKind();
    const std::string name = document_.currentName();
    const Timeline3* shown = document_.currentTimeline();
    if (!document_.walkHistory(back)) return false;
    selection_.releaseKeys();
    // The step changed a timeline not shown, which is shown now, or took the shown one away:
    // nothing of what is shown now was selected.
    if (document_.currentKind() != kind || document_.currentName() != name ||
        document_.currentTimeline() != shown) {
        selection_.clear();
    }
    return true;
}

}  // namespace kvr
