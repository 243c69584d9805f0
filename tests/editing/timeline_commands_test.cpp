// Timelines made, renamed and removed from the keyboard, with their checks and their undoing, and
// the guard that keeps Escape or a close from throwing unsaved work away.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/editing/core_fixture.h"
#include "tests/timeline/channel_checks.h"
#include "timeline/key_change.h"

namespace kvr::test {
namespace {

class TimelineCommandsTest : public CoreTest {
protected:
    // Typed as the window hands characters over: the symbol of the key and the code point.
    void type(const std::u32string& text) {
        for (char32_t c : text) core.keyDown(c < 128 ? static_cast<int>(c) : 0, {}, c);
    }
    KeyOutcome key(int symbol, bool withCtrl = false, bool shift = false) {
        KeyModifiers modifiers;
        modifiers.ctrl = withCtrl;
        modifiers.shift = shift;
        return core.keyDown(symbol, modifiers);
    }
    // Makes a timeline the way a user does: 'n', the name, Return.
    void newTimeline(const std::u32string& name) {
        key(keys::N);
        type(name);
        key(keys::Return);
    }
    const std::string& panelText() const { return core.entryPanel()->fields()[0].text; }
    std::string shownName() const { return core.document().currentName(); }
};

TEST_F(TimelineCommandsTest, NewTimelinesAreNamedOnceWhateverTheirKind) {
    TimelineRegistry::instance().addTimeline1("fade", std::make_shared<Timeline1>(2.0f));
    key(keys::N);
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(core.entryPanel()->fields()[0].label, "new timeline");
    EXPECT_EQ(panelText(), "");

    // No name, or one that a timeline of either kind has: the panel stays and says why.
    key(keys::Return);
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(core.entryPanel()->message(), "name needed");
    for (const char32_t* taken : {U"no_name", U"fade"}) {
        type(taken);
        key(keys::Return);
        ASSERT_NE(core.entryPanel(), nullptr) << panelText();
        EXPECT_EQ(core.entryPanel()->message(), "name in use");
        EXPECT_TRUE(core.entryPanel()->fields()[0].marked);
    }
    EXPECT_EQ(core.history().undoCount(), 0u);

    // Any printable character as typed, UTF-8; control characters and lone surrogates are not
    // taken. Backspace takes a whole character back.
    type(U"w\u00e9g\u6b69x");
    core.keyDown(0, {}, U'\x01');
    core.keyDown(0, {}, char32_t(0xD800));
    core.keyDown(keys::Delete, {}, U'\x7f');
    key(keys::Backspace);
    EXPECT_EQ(panelText(), "w\xc3\xa9g\xe6\xad\xa9");
    key(keys::Backspace);
    type(U" 1\"");
    EXPECT_EQ(key(keys::Return), KeyOutcome::Stay);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(shownName(), "w\xc3\xa9g 1\"");
    ASSERT_NE(core.currentTimeline(), nullptr);
    for (const Channel* channel : core.currentChannels()) {
        EXPECT_TRUE(channel->keys().empty());
        EXPECT_EQ(channel->step(), 2.0f);
    }
    EXPECT_EQ(core.windowTitle(), "*w\xc3\xa9g 1\" (2/3) - tl3_000.lua - tledit");
    EXPECT_EQ(core.history().undoCount(), 1u);

    // Escape closes the panel without a change and without quitting.
    key(keys::N);
    type(U"other");
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(core.quitWarning(), "");
    EXPECT_FALSE(core.document().nameInUse("other"));

    // It is saved as any timeline is, its name escaped where Lua needs it.
    ASSERT_TRUE(core.save());
    EXPECT_NE(readFile("tl3_000.lua")
                  .find("timeline3_begin(\"w\xc3\xa9g 1\\\"\")\n"
                        "timeline3_end()\n"),
              std::string::npos);
}

TEST_F(TimelineCommandsTest, RenameKeepsTheTimelineAndRefusesTakenNames) {
    newTimeline(U"walk");
    Timeline3* walk = core.currentTimeline();
    const std::size_t steps = core.history().undoCount();

    key(keys::F2);
    ASSERT_NE(core.entryPanel(), nullptr);
    EXPECT_EQ(core.entryPanel()->fields()[0].label, "rename");
    EXPECT_EQ(panelText(), "walk");
    EXPECT_TRUE(core.entryPanel()->textSelected());
    type(U"no_name");
    key(keys::Return);
    EXPECT_EQ(core.entryPanel()->message(), "name in use");
    key(keys::Backspace);
    key(keys::Return);
    EXPECT_EQ(core.entryPanel()->message(), "name needed");
    type(U"run");
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(shownName(), "run");
    EXPECT_EQ(core.currentTimeline(), walk);
    EXPECT_FALSE(core.document().nameInUse("walk"));
    EXPECT_EQ(core.history().undoCount(), steps + 1);

    // The same name again changes nothing and is no step.
    key(keys::F2);
    key(keys::Return);
    EXPECT_EQ(core.entryPanel(), nullptr);
    EXPECT_EQ(core.history().undoCount(), steps + 1);

    // Nothing shown, nothing to rename.
    core.showTimeline(TimelineKind::None, "");
    key(keys::F2);
    EXPECT_EQ(core.entryPanel(), nullptr);
}

TEST_F(TimelineCommandsTest, ControlDeleteRemovesTheTimelineAndPlainDeleteAKey) {
    newTimeline(U"b");
    newTimeline(U"c");
    key(keys::Tab);  // "no_name", first of three
    pointAt(0, 250);
    click(buttons::Middle);  // its y key at (0, 0)
    ASSERT_NE(core.selectedKey(), nullptr);
    key(keys::Delete);
    EXPECT_EQ(current().y.keys().size(), 1u);
    EXPECT_EQ(shownName(), "no_name");

    // The next in Tab order is shown; after the last, the first; after the only one, none.
    key(keys::Delete, true);
    EXPECT_EQ(shownName(), "b");
    EXPECT_FALSE(core.document().nameInUse("no_name"));
    key(keys::Tab);
    key(keys::Delete, true);
    EXPECT_EQ(shownName(), "b");
    key(keys::Delete, true);
    EXPECT_EQ(core.currentChannels().count, 0);
    EXPECT_EQ(core.windowTitle(), "*tl3_000.lua - tledit");
    const std::size_t steps = core.history().undoCount();
    key(keys::Delete, true);
    EXPECT_EQ(core.history().undoCount(), steps);

    // An empty registry saves as an empty file.
    ASSERT_TRUE(core.save());
    EXPECT_EQ(readFile("tl3_000.lua"), "");
}

TEST_F(TimelineCommandsTest, UndoBringsTimelinesBackBitForBitAndRedoDoesItAgain) {
    // Keys out of time order, signed zeros and a handle far out: what a rebuild from the text
    // would not give back.
    Timeline3& defaults = current();
    defaults.x.addKey({-0.0f, 1e-30f}, {40, -0.0f}, {41, 7});
    const std::vector<BezierKey> loaded = defaults.x.keys();
    pointAt(40, 250);
    press(buttons::Middle);
    moveBy(100, 0);  // past the key at 100
    release(buttons::Middle);
    const std::vector<BezierKey> x = defaults.x.keys();
    ASSERT_FALSE(defaults.x.keysInOrder());
    const Timeline3* object = &defaults;

    newTimeline(U"walk");
    key(keys::Tab);  // back to "no_name"
    const std::size_t keyBytes = x.size() * sizeof(BezierKey);
    const std::size_t bytesBefore = core.history().memoryUse();
    key(keys::Delete, true);
    EXPECT_EQ(shownName(), "walk");
    // The step holds the timeline it took out, and says so; given back, it holds it no more.
    const std::size_t bytesRemoved = core.history().memoryUse();
    EXPECT_GE(bytesRemoved, bytesBefore + keyBytes);

    ASSERT_TRUE(core.undo());
    EXPECT_EQ(shownName(), "no_name");
    ASSERT_EQ(core.currentTimeline(), object);
    EXPECT_TRUE(sameKeys(current().x.keys(), x));
    EXPECT_LE(core.history().memoryUse(), bytesRemoved - keyBytes);
    ASSERT_TRUE(core.redo());
    EXPECT_EQ(core.history().memoryUse(), bytesRemoved);
    EXPECT_FALSE(core.document().nameInUse("no_name"));
    EXPECT_EQ(shownName(), "walk");

    // A rename, and key edits on either side of it: each step finds its timeline by what it is,
    // whatever it is called by then or whether it was gone meanwhile.
    ASSERT_TRUE(core.undo());
    key(keys::F2);
    type(U"renamed");
    key(keys::Return);
    keyDown(keys::I);
    pointAt(300, 240);  // on x, flat at 10 beyond its last key
    click(buttons::Left);
    ASSERT_EQ(current().x.keys().size(), x.size() + 1);
    keyDown(keys::E);
    key(keys::Delete, true);
    newTimeline(U"renamed2");

    // Everything taken back, to the start: the keys as they were, under the first name.
    while (core.undo()) {
    }
    ASSERT_EQ(core.document().tabOrder().size(), 1u);
    EXPECT_EQ(shownName(), "no_name");
    EXPECT_EQ(core.currentTimeline(), object);
    EXPECT_TRUE(sameKeys(current().x.keys(), loaded));
    EXPECT_FALSE(core.hasUnsavedChanges());

    // And everything made again.
    while (core.redo()) {
    }
    std::vector<std::string> names;
    for (const TimelineRef& t : core.document().tabOrder()) names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"renamed2", "walk"}));
    EXPECT_EQ(shownName(), "renamed2");
    ASSERT_TRUE(core.undo());
    ASSERT_TRUE(core.undo());  // the removal of "renamed", with the inserted key
    EXPECT_EQ(shownName(), "renamed");
    EXPECT_EQ(core.currentTimeline(), object);
    EXPECT_EQ(current().x.keys().size(), x.size() + 1);
    ASSERT_TRUE(core.undo());
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(shownName(), "no_name");
    EXPECT_TRUE(sameKeys(current().x.keys(), x));

    // Taking back a timeline's making shows what was shown before it.
    core.showTimeline(TimelineKind::Three, "walk");
    ASSERT_TRUE(core.redo());
    ASSERT_TRUE(core.redo());
    ASSERT_TRUE(core.redo());  // "renamed" removed again: "walk" shown
    newTimeline(U"last");
    ASSERT_TRUE(core.undo());
    EXPECT_EQ(shownName(), "walk");  // not "renamed", which follows "last" in Tab order
    EXPECT_FALSE(core.document().nameInUse("last"));
}

TEST_F(TimelineCommandsTest, EscapeAndCloseQuitAtOnceOnlyWithoutUnsavedChanges) {
    EXPECT_TRUE(core.closeRequested());
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Quit);

    newTimeline(U"a");
    ASSERT_TRUE(core.hasUnsavedChanges());
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    EXPECT_EQ(core.quitWarning(), "unsaved changes: press Escape again to quit");
    keyUp(keys::Escape);  // letting the key go between the presses withdraws nothing
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Quit);

    // Shift, Control or Alt alone is not another key: Escape after them still quits.
    key(keys::Escape);
    key(keys::LeftShift);
    key(keys::LastModifier);
    EXPECT_EQ(core.quitWarning(), "unsaved changes: press Escape again to quit");
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Quit);

    // Any other key or button between withdraws the warning.
    key(keys::Escape);
    key(keys::E);
    EXPECT_EQ(core.quitWarning(), "");
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    click(buttons::Middle);
    EXPECT_EQ(core.quitWarning(), "");
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);

    // Only the same command again quits: a close after Escape warns anew, and the reverse.
    EXPECT_FALSE(core.closeRequested());
    EXPECT_EQ(core.quitWarning(), "unsaved changes: close again to quit");
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    EXPECT_FALSE(core.closeRequested());
    pointAt(10, 10);  // a motion is neither a key nor a button
    EXPECT_TRUE(core.closeRequested());
    EXPECT_FALSE(core.closeRequested());
    press(buttons::Left);
    EXPECT_FALSE(core.closeRequested());
    release(buttons::Left);

    // A drag under way is unsaved work too; once saved, both quit at once again.
    key(keys::Tab);  // "no_name", whose y key is at (0, 0)
    pointAt(0, 250);
    press(buttons::Middle);
    moveBy(5, 5);
    ASSERT_TRUE(core.save());
    moveBy(5, 5);
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Stay);
    release(buttons::Middle);
    ASSERT_TRUE(core.save());
    EXPECT_EQ(key(keys::Escape), KeyOutcome::Quit);
    EXPECT_TRUE(core.closeRequested());
}

}  // namespace
}  // namespace kvr::test
