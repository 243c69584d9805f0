// EditDocument: start, loading, saving, the timeline shown, Tab's order and the history.
#include "editing/edit_document.h"

#include <sys/stat.h>

#include <cstdio>
#include <optional>
#include <utility>

#include "editing/backup_copy.h"
#include "editing/text_file_save.h"
#include "editing/timeline_writer.h"
#include "script/timeline_script.h"

namespace kvr {

namespace {

// A name is taken when anything stands there: a file this user cannot read, or a link whose
// target is missing, would otherwise be chosen and then overwritten by the first save.
std::string firstFreeFileName() {
    for (unsigned long n = 0;; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "tl3_%03lu.lua", n);
        struct stat entry;
        if (lstat(name, &entry) != 0) return name;
    }
}

}  // namespace

EditDocument::EditDocument(TimelineRegistry& registry) : registry_(registry) {}

void EditDocument::startNew() {
    fileName_ = firstFreeFileName();
    currentName_ = "no_name";
    currentKind_ = TimelineKind::Three;
    registry_.addTimeline3(currentName_, makeDefaultTimeline());
}

void EditDocument::reload() {
    finishEdit();
    registry_.clear();
    history_.clear();
    backUpBeforeNextSave_ = false;
    if (!fileName_.empty()) {
        backUpBeforeNextSave_ =
            !loadTimelineFile(fileName_, registry_, ErrorDelivery::AlertOrPrint).complete();
    }
    // An empty first name leaves no timeline current, as an empty current name always meant;
    // Tab reaches it.
    std::optional<std::string> first = registry_.firstTimeline3Name();
    currentName_ = first ? *first : std::string();
    currentKind_ = currentName_.empty() ? TimelineKind::None : TimelineKind::Three;
}

bool EditDocument::save() {
    finishEdit();
    if (fileName_.empty()) return false;
    std::string reason;
    if (backUpBeforeNextSave_) {
        // What the load left out is still in the file; the save must not be the end of it.
        const std::string backup = backupPathFor(fileName_);
        switch (keepCopy(fileName_, backup, reason)) {
            case BackupResult::Failed:
                std::fprintf(stderr, "cannot save %s: cannot keep the previous text: %s\n",
                             fileName_.c_str(), reason.c_str());
                return false;
            case BackupResult::Kept:
                std::fprintf(stderr,
                             "%s did not load completely; its previous text is kept in %s\n",
                             fileName_.c_str(), backup.c_str());
                break;
            case BackupResult::Nothing:
                break;
        }
        backUpBeforeNextSave_ = false;
    }
    const auto write = [this](const TextSink& sink) { return writeTimelines(registry_, sink); };
    if (!saveTextFile(fileName_, write, reason)) {
        std::fprintf(stderr, "cannot save %s: %s\n", fileName_.c_str(), reason.c_str());
        return false;
    }
    history_.markSaved();
    return true;
}

bool EditDocument::hasUnsavedChanges() const {
    return !history_.atSaved() || !pending_.empty();
}

void EditDocument::show(TimelineKind kind, std::string name) {
    currentKind_ = kind;
    currentName_ = std::move(name);
}

Timeline3* EditDocument::currentTimeline() const {
    if (currentKind_ != TimelineKind::Three) return nullptr;
    return registry_.findTimeline3(currentName_);
}

ChannelSet EditDocument::currentChannels() const {
    ChannelSet set;
    if (Timeline3* t = currentTimeline()) {
        set.channels[0] = &t->x;
        set.channels[1] = &t->y;
        set.channels[2] = &t->z;
        set.count = 3;
    } else if (currentKind_ == TimelineKind::One) {
        if (Timeline1* t = registry_.findTimeline1(currentName_)) {
            set.channels[0] = &t->channel;
            set.count = 1;
        }
    }
    return set;
}

std::vector<EditDocument::TimelineRef> EditDocument::tabOrder() const {
    std::vector<TimelineRef> order;
    order.reserve(registry_.timelines3.size() + registry_.timelines1.size());
    for (const auto& entry : registry_.timelines3)
        order.push_back({TimelineKind::Three, entry.first});
    for (const auto& entry : registry_.timelines1)
        order.push_back({TimelineKind::One, entry.first});
    return order;
}

long EditDocument::placeInTabOrder(const std::vector<TimelineRef>& order) const {
    if (currentChannels().count == 0) return -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i].kind == currentKind_ && order[i].name == currentName_) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

bool EditDocument::switchTimeline(int direction) {
    const std::vector<TimelineRef> order = tabOrder();
    if (order.empty()) return false;
    finishEdit();
    const auto count = static_cast<long>(order.size());
    const long place = placeInTabOrder(order);
    // From no timeline, forward goes to the first and backward to the last.
    const long next =
        place < 0 ? (direction > 0 ? 0 : count - 1) : ((place + direction) % count + count) % count;
    currentKind_ = order[static_cast<std::size_t>(next)].kind;
    currentName_ = order[static_cast<std::size_t>(next)].name;
    return true;
}

void EditDocument::showOwnerOf(const Channel* channel) {
    for (Channel* shown : currentChannels()) {
        if (shown == channel) return;
    }
    for (const auto& entry : registry_.timelines3) {
        const Timeline3& t = *entry.second;
        if (channel == &t.x || channel == &t.y || channel == &t.z) {
            show(TimelineKind::Three, entry.first);
            return;
        }
    }
    for (const auto& entry : registry_.timelines1) {
        if (channel == &entry.second->channel) {
            show(TimelineKind::One, entry.first);
            return;
        }
    }
}

std::string EditDocument::windowTitle() const {
    std::string title = hasUnsavedChanges() ? "*" : "";
    const std::vector<TimelineRef> order = tabOrder();
    const long place = placeInTabOrder(order);
    if (place >= 0) {
        title += currentName_ + " (" + std::to_string(place + 1) + "/" +
                 std::to_string(order.size()) + ") - ";
    }
    return title + fileName_ + " - tledit";
}

void EditDocument::finishEdit() {
    pending_.dropNoOps();
    if (!pending_.empty()) history_.push(std::move(pending_));
    pending_ = EditStep();
}

void EditDocument::editAsOneStep(const std::function<void()>& edit) {
    finishEdit();
    edit();
    finishEdit();
}

const EditStep* EditDocument::walkHistory(bool back) {
    finishEdit();
    const EditStep* step = back ? history_.stepBack() : history_.stepForward();
    if (!step) return nullptr;
    if (back) {
        step->revert();
    } else {
        step->reapply();
    }
    showOwnerOf(step->parts.front().channel);
    return step;
}

}  // namespace kvr
