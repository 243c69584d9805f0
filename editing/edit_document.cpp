// EditDocument: start, loading, saving, the timeline shown, Tab's order and the history.
#include "editing/edit_document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <utility>

#include "editing/backup_copy.h"
#include "editing/editor_form.h"
#include "editing/text_file_save.h"
#include "editing/timeline_writer.h"
#include "script/timeline_script.h"

namespace kvr {

namespace {

// The same name, or two names of one file (a link, another spelling of its directory).
bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

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
    ids_.clear();
    history_.clear();
    backUp_ = BackUp::None;
    loadedCompletely_ = true;
    if (!fileName_.empty()) {
        const LoadReport report =
            loadTimelineFile(fileName_, registry_, ErrorDelivery::AlertOrPrint);
        const bool complete = report.complete();
        // A name with no file behind it is a new file, not one that failed to load: the title
        // need not warn of it. Its save still goes by the incomplete load, should a file have
        // appeared there since.
        struct stat st;
        loadedCompletely_ = complete || (stat(fileName_.c_str(), &st) != 0 && errno == ENOENT);
        if (!complete) {
            backUp_ = BackUp::Incomplete;
        } else if (!holdsEditorForm(fileName_, report, registry_)) {
            // Complete, but written by hand: a save keeps the timelines and not the rest.
            backUp_ = BackUp::NotEditorForm;
        }
    }
    // An empty first name leaves no timeline current, as an empty current name always meant;
    // Tab reaches it.
    std::optional<std::string> first = registry_.firstTimeline3Name();
    currentName_ = first ? *first : std::string();
    currentKind_ = currentName_.empty() ? TimelineKind::None : TimelineKind::Three;
}

bool EditDocument::save() {
    if (fileName_.empty()) {
        finishEdit();
        return false;
    }
    std::string reason;
    return saveAs(std::string(fileName_), reason);
}

bool EditDocument::saveAs(const std::string& path, std::string& reason) {
    finishEdit();
    if (path.empty()) {
        reason = "no file name";
        return false;
    }
    if (!writeFile(path, reason)) {
        std::fprintf(stderr, "cannot save %s: %s\n", path.c_str(), reason.c_str());
        return false;
    }
    // The file now holds the editor's text whole; a file loaded before, if another, is as it
    // was and needs no copy.
    fileName_ = path;
    backUp_ = BackUp::None;
    history_.markSaved();
    loadedCompletely_ = true;
    return true;
}

bool EditDocument::writeFile(const std::string& path, std::string& reason) {
    // The copy is owed to the file that was loaded, whatever name it is written under now.
    if (backUp_ != BackUp::None && sameFile(path, fileName_)) {
        // What the load left out, or the hand-written text, is still in the file; the save must
        // not be the end of it.
        const std::string backup = backupPathFor(path);
        std::string why;
        switch (keepCopy(path, backup, why)) {
            case BackupResult::Failed:
                reason = "cannot keep the previous text: " + why;
                return false;
            case BackupResult::Kept:
                if (backUp_ == BackUp::Incomplete) {
                    std::fprintf(stderr,
                                 "%s did not load completely; its previous text is kept in %s\n",
                                 path.c_str(), backup.c_str());
                } else {
                    std::fprintf(stderr,
                                 "%s was not in the editor's form; its previous text is kept in "
                                 "%s\n",
                                 path.c_str(), backup.c_str());
                }
                break;
            case BackupResult::Nothing:
                break;
        }
        backUp_ = BackUp::None;
    }
    const auto write = [this](const TextSink& sink) { return writeTimelines(registry_, sink); };
    return saveTextFile(path, write, reason);
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
    if (Timeline3* t = currentTimeline()) return ChannelSet::of(*t);
    if (currentKind_ == TimelineKind::One) {
        if (Timeline1* t = registry_.findTimeline1(currentName_)) return ChannelSet::of(*t);
    }
    return {};
}

std::vector<TimelineRef> EditDocument::tabOrder() const {
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
    const auto at = std::find(order.begin(), order.end(), TimelineRef{currentKind_, currentName_});
    return at == order.end() ? -1 : static_cast<long>(at - order.begin());
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

std::string EditDocument::windowTitle() const {
    std::string title = hasUnsavedChanges() ? "*" : "";
    const std::vector<TimelineRef> order = tabOrder();
    const long place = placeInTabOrder(order);
    if (place >= 0) {
        title += currentName_ + " (" + std::to_string(place + 1) + "/" +
                 std::to_string(order.size()) + ") - ";
    }
    title += fileName_ + " - tledit";
    if (!loadedCompletely_) title += " - did not load completely";
    return title;
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

}  // namespace kvr
