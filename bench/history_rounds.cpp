// Rounds of drags past a neighbour and insertions, for the benchmark's history figures.
#include "bench/history_rounds.h"

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/timeline_generator.h"
#include "editing/editing_core.h"
#include "editing/input.h"

namespace kvr::bench {

double dragPastAndInsertMegabytes(TimelineRegistry& registry, int keyCount) {
    registry.addTimeline3("resort", generateTimeline(keyCount));
    // The allocator's bytes in use are taken again once the history is let go: what that frees
    // is everything the steps hold, and the keys the insertions added to the channel, which
    // stay, do not count.
    std::size_t held = 0;
    {
        EditingCore core(registry);
        core.resized(800, 500);
        core.showTimeline(TimelineKind::Three, "resort");
        const Channel& x = core.currentTimeline()->x;
        const auto row = [&](float value) {
            return static_cast<int>(core.view().top() - value + 0.5f);
        };
        // 2,000 steps: the history ends full.
        for (int round = 0; round < 1000; ++round) {
            // The x key at 400 goes to 415, past its neighbour at 410, and 30 up, so that it is
            // the only key within picking reach when it comes back the next round.
            const bool out = round % 2 == 0;
            const std::size_t index = out ? 40 : 41;
            const int dx = out ? 15 : -15;
            const int dy = out ? -30 : 30;
            const BezierKey& key = x.keys()[index];
            const int column = static_cast<int>(key.point.x);
            const int y = row(key.point.y);
            core.pointerMoved(column, y, 0, 0);
            core.buttonPressed(buttons::Middle, column, y, buttons::MiddleMask);
            if (core.selectedKey() != &key) {
                std::fprintf(stderr, "the pointer did not pick the key at time %d\n", column);
                std::exit(1);
            }
            core.pointerMoved(column + dx, y + dy, dx, dy);
            core.buttonReleased(buttons::Middle, 0);
            // Between keys, away from the dragged one.
            const int at = 505 + 10 * (round % 30);
            const std::size_t count = x.keys().size();
            core.keyDown(keys::I);
            const int atRow = row(x.evaluate(static_cast<float>(at)));
            core.pointerMoved(at, atRow, 0, 0);
            core.buttonPressed(buttons::Left, at, atRow, buttons::LeftMask);
            core.buttonReleased(buttons::Left, 0);
            core.keyDown(keys::E);
            const std::size_t sortedTo = out ? index + 1 : index - 1;
            if (x.keys().size() != count + 1 || x.keys()[sortedTo].point.x != (out ? 415 : 400)) {
                std::fprintf(stderr, "round %d did not drag and insert as planned\n", round);
                std::exit(1);
            }
        }
        held = mallinfo2().uordblks;
    }
    return static_cast<double>(held - mallinfo2().uordblks) / 1e6;
}

std::vector<double> resortTimes(int keyCount, int runs) {
    Channel dragged = generateTimeline(keyCount)->x;
    BezierKey key = dragged.keys()[40];
    key.point.x += 15.0f;
    dragged.setKey(40, key);
    const Point2 p{505.0f, dragged.evaluate(505.0f)};
    std::vector<double> result;
    // The first insertion is not counted; each starts from the dragged channel afresh.
    for (int i = 0; i <= runs; ++i) {
        Channel channel = dragged;
        KeyChanges changes;
        const auto start = std::chrono::steady_clock::now();
        channel.insertKey(p, p, p, &changes);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (i > 0) result.push_back(took.count());
    }
    return result;
}

}  // namespace kvr::bench
