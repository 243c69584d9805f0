// Fuzzes the editing core: each input is a run of key, pointer, button and resize events on a
// small timeline file. After every event each channel's samples must be what a full rebuild
// makes and the view must be finite; at the end, undoing everything must give the loaded
// timelines, by name, and their keys bit for bit, and redoing it those from before the undo.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "editing/editing_core.h"
#include "fuzz/rebuild_check.h"
#include "timeline/key_change.h"
#include "timeline/timeline_registry.h"

namespace {

using kvr::Channel;
using kvr::EditingCore;
using kvr::TimelineRegistry;

// Two three-channel timelines and a one-channel one, inside the first view: keys at equal
// times, handles that reach past neighbours, a single key, empty channels, and values at the
// ends of the float range, so that framing them overflows the plain rule. Times stay within a
// few hundred units, as a segment's samples are two units apart.
const char kTimelineFile[] =
    "timeline3_begin('walk')\n"
    "timeline3_insert_x(vector2.new(0, 0))\n"
    "timeline3_insert_x(vector2.new(10, 60), vector2.new(40, 40), vector2.new(90, 20))\n"
    "timeline3_insert_x(vector2.new(70, -30))\n"
    "timeline3_insert_x(vector2.new(70, 10))\n"
    "timeline3_insert_x(vector2.new(150, 0))\n"
    "timeline3_insert_y(vector2.new(0, 0))\n"
    "timeline3_insert_y(vector2.new(100, 0))\n"
    "timeline3_insert_z(vector2.new(50, -3e38))\n"
    "timeline3_insert_z(vector2.new(45, 3e38), vector2.new(60, 3e38), vector2.new(75, 3e38))\n"
    "timeline3_end()\n"
    "timeline3_begin('rest')\n"
    "timeline3_insert_y(vector2.new(20, 5))\n"
    "timeline3_end()\n"
    "timeline1_begin('fade')\n"
    "timeline1_push(vector2.new(0, 0))\n"
    "timeline1_push(vector2.new(30, 100))\n"
    "timeline1_push(vector2.new(-20, -20), vector2.new(160, -20), vector2.new(200, 80))\n"
    "timeline1_end()\n";

// Undo reaches back 1,000 steps, and no event makes more than one.
constexpr int kMaxEvents = 900;
// Keys dragged or inserted far apart make long sample tables; an input ends once the tables hold
// this many samples, so that every input stays quick.
constexpr std::size_t kSampleBudget = 50'000;

std::string directory;
std::string filePath;
kvr::fuzz::RebuildCheck rebuildCheck;

void removeScratch() {
    if (directory.empty()) return;
    for (const char* name : {"fuzz.lua", "fuzz.lua~"}) unlink((directory + "/" + name).c_str());
    rmdir(directory.c_str());
}

// Aborting skips the exit handlers: the scratch directory goes first.
[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "editing core check failed: %s\n", what.c_str());
    removeScratch();
    std::abort();
}

void writeTimelineFile() {
    const int fd = open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) fail("cannot write " + filePath);
    const ssize_t written = write(fd, kTimelineFile, sizeof kTimelineFile - 1);
    close(fd);
    if (written != static_cast<ssize_t>(sizeof kTimelineFile - 1)) fail("short write");
}

// Every channel of every timeline, in the registry's order.
std::vector<const Channel*> allChannels(const TimelineRegistry& registry) {
    std::vector<const Channel*> channels;
    for (const auto& entry : registry.timelines3) {
        channels.insert(channels.end(), {&entry.second->x, &entry.second->y, &entry.second->z});
    }
    for (const auto& entry : registry.timelines1) channels.push_back(&entry.second->channel);
    return channels;
}

// The timelines' names, in the registry's order, then every channel's keys.
struct Keys {
    std::vector<std::string> names;
    std::vector<std::vector<kvr::BezierKey>> channels;
};

Keys keysOf(const TimelineRegistry& registry) {
    Keys keys;
    for (const auto& entry : registry.timelines3) keys.names.push_back("3 " + entry.first);
    for (const auto& entry : registry.timelines1) keys.names.push_back("1 " + entry.first);
    for (const Channel* channel : allChannels(registry)) keys.channels.push_back(channel->keys());
    return keys;
}

void expectSameKeys(const Keys& all, const Keys& expectedAll, const char* when) {
    if (all.names != expectedAll.names) fail(std::string(when) + ": timelines differ");
    const auto& actual = all.channels;
    const auto& expected = expectedAll.channels;
    if (actual.size() != expected.size()) fail(std::string(when) + ": channels differ");
    for (std::size_t c = 0; c < actual.size(); ++c) {
        if (actual[c].size() != expected[c].size() ||
            !std::equal(actual[c].begin(), actual[c].end(), expected[c].begin(), kvr::sameBits)) {
            fail(std::string(when) + ": keys of channel " + std::to_string(c) + " differ");
        }
    }
}

// Written out here rather than taken from the core, which is what is being checked.
bool usableSpan(float low, float high) {
    return std::isfinite(low) && std::isfinite(high) && low < high && std::isfinite(high - low);
}

// The per-event checks; returns the samples the channels hold.
std::size_t check(const EditingCore& core, const TimelineRegistry& registry, int event) {
    std::size_t samples = 0;
    for (const Channel* channel : allChannels(registry)) {
        const std::string difference = rebuildCheck.difference(*channel);
        if (!difference.empty()) {
            fail("after event " + std::to_string(event) + ": " + difference);
        }
        samples += channel->samples().size();
    }
    if (!usableSpan(core.view().left(), core.view().right()) ||
        !usableSpan(core.view().bottom(), core.view().top())) {
        char view[160];
        std::snprintf(view, sizeof view, "%.9g…%.9g by %.9g…%.9g", core.view().left(),
                      core.view().right(), core.view().bottom(), core.view().top());
        fail("after event " + std::to_string(event) + ": the view is " + view);
    }
    // What the window reads for each frame: the title, the selection and the box. Every selected
    // key is a key of a shown channel, and the active key is one of them.
    (void)core.windowTitle();
    const kvr::ChannelSet shown = core.currentChannels();
    for (const kvr::KeySelection::ChannelKeys& selected : core.selection().channels()) {
        if (std::find(shown.begin(), shown.end(), selected.channel) == shown.end()) {
            fail("after event " + std::to_string(event) +
                 ": a key of a channel not shown is selected");
        }
        if (!std::is_sorted(selected.indices.begin(), selected.indices.end()) ||
            std::adjacent_find(selected.indices.begin(), selected.indices.end()) !=
                selected.indices.end() ||
            (!selected.indices.empty() &&
             selected.indices.back() >= selected.channel->keys().size())) {
            fail("after event " + std::to_string(event) + ": a selected place is no key's");
        }
    }
    if (core.selection().empty() != (core.selectedKey() == nullptr)) {
        fail("after event " + std::to_string(event) + ": the active key is not among the selected");
    }
    if (const std::optional<kvr::CurveRect> box = core.selectionBox()) {
        if (!(box->left <= box->right && box->bottom <= box->top)) {
            fail("after event " + std::to_string(event) + ": the box is not a rectangle");
        }
    }
    return samples;
}

// Reads the input a byte at a time; past its end every byte is 0.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    int signedNext() { return static_cast<std::int8_t>(next()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The events a window sends, as the window layer hands them to the core.
class Driver {
    // Key presses, in the order of this table, then pointer, button and resize events.
    static constexpr int kKeys[] = {
        kvr::keys::Minus,
        kvr::keys::Equals,
        kvr::keys::Plus,
        kvr::keys::KeypadPlus,
        kvr::keys::KeypadMinus,
        kvr::keys::Semicolon,
        kvr::keys::D,
        kvr::keys::E,
        kvr::keys::H,
        kvr::keys::I,
        kvr::keys::R,
        kvr::keys::S,
        kvr::keys::Delete,
        kvr::keys::Up,
        kvr::keys::Down,
        kvr::keys::Right,
        kvr::keys::Left,
        kvr::keys::Home,
        kvr::keys::Z,
        kvr::keys::Y,
        'q',
        306,  // a letter without a command, and Control itself
        kvr::keys::A,
        kvr::keys::F,
        kvr::keys::C,
        kvr::keys::V,
    };
    static constexpr int kKeyCount = sizeof kKeys / sizeof kKeys[0];

public:
    // The keys, then 18 other events, then 20 of the buttons.
    static constexpr int kOpCount = kKeyCount + 18 + 20;

    explicit Driver(EditingCore& core) : core_(core) {}

    // Returns whether the event reloaded the file.
    bool run(int op, Bytes& in) {
        if (op < kKeyCount) {
            // An open panel takes the key, so 'r' reloads only without one.
            const bool reloads = kKeys[op] == kvr::keys::R && !core_.entryPanel();
            core_.keyDown(kKeys[op]);
            return reloads;
        }
        op -= kKeyCount;
        kvr::KeyModifiers modifiers;
        switch (op) {
            case 0:  // Tab and Shift+Tab
            case 1:
                modifiers.shift = op == 1;
                core_.keyDown(kvr::keys::Tab, modifiers);
                return false;
            case 2:  // Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y
            case 3:
            case 4:
                modifiers.ctrl = true;
                modifiers.shift = op == 3;
                core_.keyDown(op == 4 ? kvr::keys::Y : kvr::keys::Z, modifiers);
                return false;
            case 5:  // a Shift key pressed or let go
            case 6:
            case 7:
            case 8: {
                const int key = op < 7 ? kvr::keys::LeftShift : kvr::keys::RightShift;
                if (op % 2 == 1) {
                    core_.keyDown(key);
                } else {
                    core_.keyUp(key);
                }
                return false;
            }
            case 9:  // the pointer moved a little, as in a drag
                moveTo(x_ + in.signedNext(), y_ + in.signedNext());
                return false;
            case 10:  // the pointer moved anywhere in the window
                moveTo(in.next() * core_.view().windowWidth() / 256,
                       in.next() * core_.view().windowHeight() / 256);
                return false;
            case 11:
                core_.resized(1 + in.next() * 4, 1 + in.next() * 3);
                moveTo(x_, y_);
                return false;
            case 12:  // Return, keypad Enter, Escape, Backspace: open, apply, close, erase
                core_.keyDown(kPanelKeys[in.next() % 4]);
                return false;
            case 13: {  // a character typed on its key, as a panel takes it
                static const char kTyped[] = "0123456789.-+eE";
                const char c = kTyped[in.next() % (sizeof kTyped - 1)];
                core_.keyDown(c == '+' ? kvr::keys::Equals : c, {}, static_cast<char32_t>(c));
                return false;
            }
            case 14: {  // Ctrl+C, Ctrl+X, Ctrl+V
                static const int kEdits[] = {kvr::keys::C, kvr::keys::X, kvr::keys::V};
                modifiers.ctrl = true;
                core_.keyDown(kEdits[in.next() % 3], modifiers);
                return false;
            }
            case 15:  // F1, the English help
                core_.keyDown(kvr::keys::F1);
                return false;
            case 16: {  // the left button with Alt, as the middle one, maybe with Control, Shift
                const int with = in.next();
                held_ |= 1;
                core_.buttonPressed(kvr::buttons::Left, x_, y_, held_, with & 1, with & 2, true);
                return false;
            }
            case 17: {  // 'n', F2, Ctrl+Delete, a close of the window
                // Save As is left out: its names, typed here, would be files outside the
                // scratch directory.
                switch (in.next() % 4) {
                    case 0:
                        core_.keyDown(kvr::keys::N, {}, U'n');
                        break;
                    case 1:
                        core_.keyDown(kvr::keys::F2);
                        break;
                    case 2:
                        modifiers.ctrl = true;
                        core_.keyDown(kvr::keys::Delete, modifiers);
                        break;
                    default:
                        (void)core_.closeRequested();
                        break;
                }
                return false;
            }
            default:
                break;
        }
        op -= 18;
        // Buttons 1 to 5 (4 and 5 are wheel steps): pressed, pressed with Control, with Control
        // and Shift, let go.
        const int button = op % 5 + 1;
        if (op < 15) {
            held_ |= 1 << (button - 1);
            core_.buttonPressed(button, x_, y_, held_, op >= 5, op >= 10);
        } else {
            held_ &= ~(1 << (button - 1));
            core_.buttonReleased(button, held_);
        }
        return false;
    }

private:
    static constexpr int kPanelKeys[] = {kvr::keys::Return, kvr::keys::KeypadEnter,
                                         kvr::keys::Escape, kvr::keys::Backspace};

    // Within the window, as the pointer stays; the motion is what it really moved.
    void moveTo(int x, int y) {
        x = std::clamp(x, 0, core_.view().windowWidth() - 1);
        y = std::clamp(y, 0, core_.view().windowHeight() - 1);
        core_.pointerMoved(x, y, x - x_, y - y_);
        x_ = x;
        y_ = y;
    }

    EditingCore& core_;
    int x_ = 0;
    int y_ = 0;
    int held_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Saves go through a temporary file, a sync and a rename: a directory in memory keeps
    // them quick.
    for (const char* base : {"/dev/shm", "/tmp"}) {
        std::string name = std::string(base) + "/tledit-fuzz-XXXXXX";
        if (mkdtemp(name.data())) {
            directory = name;
            break;
        }
    }
    if (directory.empty()) fail("cannot make a scratch directory");
    filePath = directory + "/fuzz.lua";
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    writeTimelineFile();
    rebuildCheck.clear();
    TimelineRegistry registry;
    EditingCore core(registry);
    core.setFileName(filePath);
    core.reload();
    if (!core.loadedCompletely()) fail("the timeline file did not load completely");
    // Written by hand, not in the editor's form: the first save keeps it as fuzz.lua~.
    if (!core.backsUpBeforeNextSave()) fail("the hand-written file would be saved over");
    Keys loaded = keysOf(registry);
    check(core, registry, 0);

    Driver driver(core);
    Bytes in(data, size);
    for (int event = 1; event <= kMaxEvents && !in.done(); ++event) {
        const int op = in.next() % Driver::kOpCount;
        // A reload starts the history afresh from what the file now holds.
        if (driver.run(op, in)) loaded = keysOf(registry);
        if (check(core, registry, event) > kSampleBudget) break;
    }

    // The first undo ends a drag still under way as a step of its own; steps the input had
    // already undone stay ahead, to be redone past where the input ended.
    const Keys edited = keysOf(registry);
    int undone = 0;
    while (core.undo()) ++undone;
    expectSameKeys(keysOf(registry), loaded, "undone to the start");
    check(core, registry, -1);
    for (int i = 0; i < undone; ++i) {
        if (!core.redo()) fail("fewer steps to redo than were undone");
    }
    expectSameKeys(keysOf(registry), edited, "redone to where the input ended");
    int ahead = 0;
    while (core.redo()) ++ahead;
    check(core, registry, -2);
    while (ahead-- > 0) core.undo();
    expectSameKeys(keysOf(registry), edited, "redone to the end and undone back");
    check(core, registry, -3);
    return 0;
}
