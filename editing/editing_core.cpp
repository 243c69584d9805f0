// EditingCore: start, resize, loading, saving and the history of edits.
#include "editing/editing_core.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
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

EditingCore::EditingCore(TimelineRegistry& registry) : registry_(registry) {}

void EditingCore::startNew() {
    fileName = firstFreeFileName();
    currentName = "no_name";
    currentKind = TimelineKind::Three;
    registry_.addTimeline3(currentName, makeDefaultTimeline());
}

void EditingCore::resized(int w, int h) {
    // A window has at least one pixel each way: the pointer mapping divides by its size.
    windowWidth = std::max(w, 1);
    windowHeight = std::max(h, 1);
    viewLeft = 0.0f;
    viewRight = static_cast<float>(windowWidth);
    viewBottom = static_cast<float>(-(windowHeight / 2));
    viewTop = static_cast<float>(windowHeight / 2);
    if (windowHeight == 1) {
        // Halving truncates one row to nothing; that row shows one unit about y = 0 instead.
        viewBottom = -0.5f;
        viewTop = 0.5f;
    }
}

const BezierKey* EditingCore::selectedKey() const {
    if (!selectedChannel || !selectedIndex_ || *selectedIndex_ >= selectedChannel->keys().size()) {
        return nullptr;
    }
    return &selectedChannel->keys()[*selectedIndex_];
}

void EditingCore::select(Channel* channel, std::size_t index) {
    selectedChannel = channel;
    selectedIndex_ = index;
}

void EditingCore::reload() {
    finishEdit();
    registry_.clear();
    history_.clear();
    selectedIndex_.reset();
    selectedChannel = nullptr;
    backUpBeforeNextSave_ = false;
    if (!fileName.empty()) {
        backUpBeforeNextSave_ =
            !loadTimelineFile(fileName, registry_, ErrorDelivery::AlertOrPrint).complete();
    }
    // An empty first name leaves no timeline current, as an empty current name always meant;
    // Tab reaches it.
    std::optional<std::string> first = registry_.firstTimeline3Name();
    currentName = first ? *first : std::string();
    currentKind = currentName.empty() ? TimelineKind::None : TimelineKind::Three;
}

bool EditingCore::save() {
    finishEdit();
    if (fileName.empty()) return false;
    std::string reason;
    if (backUpBeforeNextSave_) {
        // What the load left out is still in the file; the save must not be the end of it.
        const std::string backup = backupPathFor(fileName);
        switch (keepCopy(fileName, backup, reason)) {
            case BackupResult::Failed:
                std::fprintf(stderr, "cannot save %s: cannot keep the previous text: %s\n",
                             fileName.c_str(), reason.c_str());
                return false;
            case BackupResult::Kept:
                std::fprintf(stderr,
                             "%s did not load completely; its previous text is kept in %s\n",
                             fileName.c_str(), backup.c_str());
                break;
            case BackupResult::Nothing:
                break;
        }
        backUpBeforeNextSave_ = false;
    }
    const auto write = [this](const TextSink& sink) { return writeTimelines(registry_, sink); };
    if (!saveTextFile(fileName, write, reason)) {
        std::fprintf(stderr, "cannot save %s: %s\n", fileName.c_str(), reason.c_str());
        return false;
    }
    history_.markSaved();
    return true;
}

void EditingCore::finishEdit() {
    pending_.dropNoOps();
    if (!pending_.empty()) history_.push(std::move(pending_));
    pending_ = EditStep();
}

void EditingCore::editAsOneStep(Channel& channel, const std::function<void(KeyChanges*)>& edit) {
    finishEdit();
    edit(&pending_.changesOf(channel));
    finishEdit();
}

bool EditingCore::undo() {
    return walkHistory(true);
}

bool EditingCore::redo() {
    return walkHistory(false);
}

bool EditingCore::walkHistory(bool back) {
    finishEdit();
    const EditStep* step = back ? history_.stepBack() : history_.stepForward();
    if (!step) return false;
    if (back) {
        step->revert();
    } else {
        step->reapply();
    }
    clearSelectedKey();
    showOwnerOf(step->parts.front().channel);
    return true;
}

bool EditingCore::hasUnsavedChanges() const {
    return !history_.atSaved() || !pending_.empty();
}

}  // namespace kvr
