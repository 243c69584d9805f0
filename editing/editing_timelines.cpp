// EditingCore: timelines made, renamed and removed from the keyboard, Save As, and the guard that
// keeps one key or click from throwing unsaved work away.
#include <sys/stat.h>

#include "editing/editing_core.h"

namespace kvr {

void EditingCore::openNewTimelinePanel() {
    openPanel(PanelPurpose::NewTimeline, {{"new timeline", std::string()}}, nameCharacter);
}

void EditingCore::openRenamePanel() {
    if (currentChannels().count == 0) return;
    openPanel(PanelPurpose::Rename, {{"rename", document_.currentName()}}, nameCharacter);
}

void EditingCore::openSaveAsPanel() {
    openPanel(PanelPurpose::SaveAs, {{"save as", document_.fileName()}}, nameCharacter);
}

void EditingCore::removeShownTimeline() {
    box_.reset();
    if (document_.removeShown()) selection_.clear();
}

bool EditingCore::applyPanel() {
    switch (panelPurpose_) {
        case PanelPurpose::NewTimeline:
        case PanelPurpose::Rename:
            return applyNamePanel();
        case PanelPurpose::SaveAs:
            return applySaveAsPanel();
        case PanelPurpose::KeyNumbers:
        default:
            return applyKeyPanel();
    }
}

bool EditingCore::applyNamePanel() {
    const std::string name = panel_->fields()[0].text;
    if (name.empty()) {
        panel_->mark({0}, "name needed");
        return false;
    }
    if (panelPurpose_ == PanelPurpose::Rename) {
        // The same name again is no change; a timeline gone meanwhile has nothing to rename.
        if (currentChannels().count == 0 || name == document_.currentName()) return true;
    }
    // One name for one timeline, of either kind: a name that two share would be ambiguous to
    // whoever reads the file.
    if (document_.nameInUse(name)) {
        panel_->mark({0}, "name in use");
        return false;
    }
    if (panelPurpose_ == PanelPurpose::Rename) {
        document_.renameShown(name);
    } else {
        document_.createTimeline(name);
        selection_.clear();
    }
    return true;
}

bool EditingCore::applySaveAsPanel() {
    const std::string path = panel_->fields()[0].text;
    if (path.empty()) {
        panel_->mark({0}, "name needed");
        return false;
    }
    // Another file that exists is replaced only on a second Return, with the question still
    // standing: any edit of the name withdraws it. The file itself is simply saved.
    const std::string question = "replace " + path + "? Return again";
    struct stat entry;
    if (path != document_.fileName() && lstat(path.c_str(), &entry) == 0 &&
        panel_->message() != question) {
        panel_->say(question);
        return false;
    }
    std::string reason;
    if (!document_.saveAs(path, reason)) {
        panel_->mark({0}, "cannot save: " + reason);
        return false;
    }
    return true;
}

bool EditingCore::closeRequested() {
    const QuitGuard guard = quitGuard_;
    // Whatever the answer, a warning that stood is used up: a close refused is a new warning.
    quitGuard_ = QuitGuard::None;
    if (!hasUnsavedChanges() || guard == QuitGuard::Close) return true;
    quitGuard_ = QuitGuard::Close;
    return false;
}

std::string EditingCore::quitWarning() const {
    switch (quitGuard_) {
        case QuitGuard::Escape:
            return "unsaved changes: press Escape again to quit";
        case QuitGuard::Close:
            return "unsaved changes: close again to quit";
        case QuitGuard::None:
        default:
            return std::string();
    }
}

}  // namespace kvr
