// Undo and redo: every step taken back gives the earlier keys bit for bit, and the unsaved flag.
#include <algorithm>
#include <random>
#include <vector>

#include "tests/editing/core_fixture.h"
#include "tests/timeline/channel_checks.h"

namespace kvr::test {
namespace {

struct Snapshot {
    std::vector<BezierKey> keys[3];
};

Snapshot snapshotOf(const Timeline3& t) {
    return {{t.x.keys(), t.y.keys(), t.z.keys()}};
}

// Bit for bit and in stored order, so a key put back in the wrong place or a zero of the wrong
// sign shows; and the samples must be what a full rebuild makes of the keys.
::testing::AssertionResult sameState(const Timeline3& t, const Snapshot& expected) {
    const Channel* channels[] = {&t.x, &t.y, &t.z};
    for (int c = 0; c < 3; ++c) {
        if (!sameKeys(channels[c]->keys(), expected.keys[c])) {
            return ::testing::AssertionFailure() << "channel " << c << " keys differ";
        }
        const ::testing::AssertionResult samples = matchesFullRebuild(*channels[c]);
        if (!samples)
            return ::testing::AssertionFailure() << "channel " << c << ": " << samples.message();
    }
    return ::testing::AssertionSuccess();
}

class UndoTest : public CoreTest {
protected:
    // The window pixel of a curve point, at the first view.
    static int column(float time) { return static_cast<int>(time + 0.5f); }
    static int row(float value) { return static_cast<int>(250.5f - value); }
};

TEST_F(UndoTest, RandomEditsAreTakenBackAndMadeAgainExactly) {
    std::mt19937 random(4242);
    auto uniform = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    // Keys close together, so drags pass neighbours and insertions limit handles.
    for (int i = 1; i < 12; ++i) {
        current().x.addKey({i * 60.0f - 25, 40}, {i * 60.0f, i % 2 ? 30.0f : -30.0f},
                           {i * 60.0f + 25, -40});
    }
    std::vector<Snapshot> states{snapshotOf(current())};

    for (int op = 0; op < 400; ++op) {
        const int kind = uniform(0, 9);
        const Channel* channels[] = {&current().x, &current().y, &current().z};
        const Channel& channel = *channels[uniform(0, 2)];
        if (channel.keys().empty()) continue;
        const BezierKey& key = channel.keys()[static_cast<std::size_t>(
            uniform(0, static_cast<int>(channel.keys().size()) - 1))];
        const int x = column(key.point.x);
        const int y = row(key.point.y);
        if (kind <= 5) {
            // A drag of the whole key (middle) or of a handle (left, right), a few moves long;
            // short ones end within snapping reach.
            const int button = kind <= 2 ? 2 : kind == 3 ? 3 : 1;
            if (button == 3) {
                pointAt(x, y);
                click(1);
            }
            pointAt(x, y);
            press(button);
            const int moves = uniform(0, 3);
            // Toward the middle of the window, so that keys stay within reach of the pointer.
            for (int m = 0; m < moves; ++m) {
                moveBy(uniform(-70, 70) + (x > 600) * -40 + (x < 200) * 40,
                       uniform(-20, 20) + (y > 350) * -15 + (y < 150) * 15);
            }
            release(button);
        } else if (kind <= 7) {
            keyDown(keys::I);
            const int t = uniform(0, 799);
            pointAt(t, row(channel.evaluate(static_cast<float>(t)) + uniform(-5, 5)));
            click(1);
            keyDown(keys::E);
        } else if (kind == 8) {
            keyDown(keys::D);
            pointAt(x, y);
            click(uniform(0, 1) ? 1 : 5);
            keyDown(keys::E);
        } else {
            pointAt(x, y);
            click(2);
            keyDown(keys::Delete);
        }
        const Snapshot now = snapshotOf(current());
        if (core.history().undoCount() == states.size()) {
            states.push_back(now);
            ASSERT_FALSE(sameState(current(), states[states.size() - 2]))
                << "a step that changed nothing, op " << op;
        } else {
            // A gesture that changed nothing is no step.
            ASSERT_EQ(core.history().undoCount(), states.size() - 1) << "op " << op;
            ASSERT_TRUE(sameState(current(), states.back())) << "op " << op;
        }
    }
    ASSERT_GT(states.size(), 120u);

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(core.undo());
        ASSERT_TRUE(sameState(current(), states[i - 1])) << "undo to state " << i - 1;
        ASSERT_EQ(core.selectedKey(), nullptr);
    }
    EXPECT_FALSE(core.undo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(core.redo());
        ASSERT_TRUE(sameState(current(), states[i])) << "redo to state " << i;
    }
    EXPECT_FALSE(core.redo());
}

TEST_F(UndoTest, KeysHistoryLengthAndTheUnsavedFlag) {
    const Snapshot start = snapshotOf(current());
    EXPECT_FALSE(core.hasUnsavedChanges());
    // A press and release on a key that moves nothing is no step.
    pointAt(0, 240);
    click(2);
    EXPECT_EQ(core.history().undoCount(), 0u);
    EXPECT_FALSE(core.hasUnsavedChanges());

    // Plain 'z' and 'y' do nothing; Ctrl+Z takes back, Ctrl+Y and Ctrl+Shift+Z make again.
    press(2);
    moveBy(30, -20);
    release(2);
    const Snapshot dragged = snapshotOf(current());
    EXPECT_TRUE(core.hasUnsavedChanges());
    keyDown(keys::Z);
    keyDown(keys::Y);
    EXPECT_TRUE(sameState(current(), dragged));
    ctrl(keys::Z);
    EXPECT_TRUE(sameState(current(), start));
    EXPECT_FALSE(core.hasUnsavedChanges());
    ctrl(keys::Y);
    EXPECT_TRUE(sameState(current(), dragged));
    ctrl(keys::Z);
    ctrl(keys::Z, true);
    EXPECT_TRUE(sameState(current(), dragged));

    // Saving marks the place; undoing away from it and back clears the flag again.
    ASSERT_TRUE(core.save());
    EXPECT_FALSE(core.hasUnsavedChanges());
    ctrl(keys::Z);
    EXPECT_TRUE(core.hasUnsavedChanges());
    ctrl(keys::Y);
    EXPECT_FALSE(core.hasUnsavedChanges());

    // A new edit after an undo drops what could have been redone, and the saved place with it.
    ctrl(keys::Z);
    keyDown(keys::I);
    pointAt(50, 240);
    click(1);
    EXPECT_EQ(core.history().redoCount(), 0u);
    EXPECT_EQ(core.history().undoCount(), 1u);
    ctrl(keys::Z);
    EXPECT_TRUE(sameState(current(), start));
    EXPECT_TRUE(core.hasUnsavedChanges());  // the file holds the dragged key

    // Only the last thousand steps stay.
    for (std::size_t i = 0; i < EditHistory::kLimit + 5; ++i) {
        keyDown(keys::I);
        pointAt(200 + static_cast<int>(i % 500), 240);
        click(1);
        keyDown(keys::D);
        click(1);
    }
    EXPECT_EQ(core.history().undoCount(), EditHistory::kLimit);

    // Reload empties the history and clears the flag; save did not empty it.
    keyDown(keys::R);
    EXPECT_EQ(core.history().undoCount(), 0u);
    EXPECT_FALSE(core.hasUnsavedChanges());
    EXPECT_FALSE(core.undo());
}

}  // namespace
}  // namespace kvr::test
