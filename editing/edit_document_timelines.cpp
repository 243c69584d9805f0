// EditDocument: timelines made, renamed and removed, the history's names for channels, and the
// steps of the history taken back and made again.
#include <algorithm>
#include <memory>
#include <utility>

#include "editing/edit_document.h"

namespace kvr {

bool EditDocument::nameInUse(const std::string& name) const {
    return registry_.findTimeline3(name) != nullptr || registry_.findTimeline1(name) != nullptr;
}

void EditDocument::createTimeline(const std::string& name) {
    finishEdit();
    auto change = std::make_unique<TimelineChange>();
    change->kind = TimelineChange::Kind::Create;
    change->name = name;
    change->three = std::make_shared<Timeline3>(kSampleStep);
    change->id = ids_.newId();
    if (currentChannels().count > 0) change->shownBefore = ids_.idOf(currentKind_, currentName_);
    commit(std::move(change));
}

void EditDocument::renameShown(const std::string& name) {
    finishEdit();
    if (currentChannels().count == 0 || name == currentName_) return;
    std::unique_ptr<TimelineChange> change = changeOfShown(TimelineChange::Kind::Rename);
    change->newName = name;
    commit(std::move(change));
}

bool EditDocument::removeShown() {
    finishEdit();
    if (currentChannels().count == 0) return false;
    commit(changeOfShown(TimelineChange::Kind::Remove));
    return true;
}

std::unique_ptr<TimelineChange> EditDocument::changeOfShown(TimelineChange::Kind kind) {
    auto change = std::make_unique<TimelineChange>();
    change->kind = kind;
    change->timelineKind = currentKind_;
    change->id = ids_.idOf(currentKind_, currentName_);
    change->name = currentName_;
    return change;
}

void EditDocument::commit(std::unique_ptr<TimelineChange> change) {
    apply(*change, true);
    EditStep step;
    step.timeline = std::move(change);
    history_.push(std::move(step));
}

ChannelId EditDocument::idOf(const Channel& channel) {
    // The channels edited are the shown ones; any other is looked for through the registry.
    const int shownLetter = currentChannels().letterOf(&channel);
    if (shownLetter >= 0) return {ids_.idOf(currentKind_, currentName_), shownLetter};
    for (auto& [name, timeline] : registry_.timelines3) {
        const int letter = ChannelSet::of(*timeline).letterOf(&channel);
        if (letter >= 0) return {ids_.idOf(TimelineKind::Three, name), letter};
    }
    for (auto& [name, timeline] : registry_.timelines1) {
        if (&timeline->channel == &channel) return {ids_.idOf(TimelineKind::One, name), 0};
    }
    // Not a channel of the registry's: a name that stands for nothing.
    return {0, 0};
}

Channel* EditDocument::channelOf(ChannelId channel) {
    const TimelineRef* named = ids_.find(channel.timeline);
    if (!named) return nullptr;
    ChannelSet set;
    if (named->kind == TimelineKind::Three) {
        if (Timeline3* t = registry_.findTimeline3(named->name)) set = ChannelSet::of(*t);
    } else if (Timeline1* t = registry_.findTimeline1(named->name)) {
        set = ChannelSet::of(*t);
    }
    return channel.letter >= 0 && channel.letter < set.count ? set.channels[channel.letter]
                                                             : nullptr;
}

void EditDocument::showTimelineOf(TimelineId id) {
    if (const TimelineRef* named = ids_.find(id)) show(named->kind, named->name);
}

void EditDocument::showNextAfter(TimelineKind kind, const std::string& name) {
    const std::vector<TimelineRef> order = tabOrder();
    const auto at = std::find(order.begin(), order.end(), TimelineRef{kind, name});
    if (at == order.end() || order.size() == 1) {
        show(TimelineKind::None, std::string());
        return;
    }
    const TimelineRef& next =
        order[static_cast<std::size_t>(at - order.begin() + 1) % order.size()];
    show(next.kind, next.name);
}

void EditDocument::apply(TimelineChange& change, bool forward) {
    using Kind = TimelineChange::Kind;
    const bool adds = (change.kind == Kind::Create) == forward;
    if (change.kind == Kind::Rename) {
        const std::string& from = forward ? change.name : change.newName;
        const std::string& to = forward ? change.newName : change.name;
        if (change.timelineKind == TimelineKind::Three) {
            registry_.renameTimeline3(from, to);
        } else {
            registry_.renameTimeline1(from, to);
        }
        ids_.rename(change.id, to);
        show(change.timelineKind, to);
    } else if (adds) {
        // Back under its name, the very object that left, and shown.
        if (change.timelineKind == TimelineKind::Three) {
            registry_.addTimeline3(change.name, std::move(change.three));
        } else {
            registry_.addTimeline1(change.name, std::move(change.one));
        }
        change.three.reset();
        change.one.reset();
        ids_.bind(change.id, change.timelineKind, change.name);
        show(change.timelineKind, change.name);
    } else {
        // What leaves from under the user's eyes makes way for the next in Tab order; taking
        // back a timeline's making shows again what was shown before it.
        const bool wasShown = currentKind_ == change.timelineKind && currentName_ == change.name;
        if (wasShown) showNextAfter(change.timelineKind, change.name);
        if (change.timelineKind == TimelineKind::Three) {
            change.three = registry_.takeTimeline3(change.name);
        } else {
            change.one = registry_.takeTimeline1(change.name);
        }
        ids_.unbind(change.id);
        if (wasShown && change.kind == Kind::Create && change.shownBefore &&
            ids_.find(*change.shownBefore)) {
            showTimelineOf(*change.shownBefore);
        }
    }
}

void EditDocument::apply(EditStep& step, bool forward) {
    if (step.timeline) {
        apply(*step.timeline, forward);
        return;
    }
    // Each channel is looked up as its step comes: the name of its timeline is the one it has
    // now, whatever it was when the step was made.
    if (forward) {
        for (const ChannelChanges& part : step.parts) {
            if (Channel* channel = channelOf(part.channel)) channel->reapply(part.changes);
        }
    } else {
        for (auto part = step.parts.rbegin(); part != step.parts.rend(); ++part) {
            if (Channel* channel = channelOf(part->channel)) channel->revert(part->changes);
        }
    }
    if (!step.parts.empty()) {
        const Channel* first = channelOf(step.parts.front().channel);
        if (currentChannels().letterOf(first) < 0) {
            showTimelineOf(step.parts.front().channel.timeline);
        }
    }
}

const EditStep* EditDocument::walkHistory(bool back) {
    finishEdit();
    return history_.walk(back, [&](EditStep& step) { apply(step, !back); });
}

}  // namespace kvr
