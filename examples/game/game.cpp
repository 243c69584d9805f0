// An example game: loads a timeline file and prints where each three-channel timeline puts its
// object at ten moments from its first key to its last.
#include <tledit/timeline_file.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

namespace {

// The first and last key times over the three channels.
void timeSpan(const kvr::Timeline3& t, float& start, float& end) {
    start = std::numeric_limits<float>::infinity();
    end = -start;
    for (const kvr::Channel* channel : {&t.x, &t.y, &t.z}) {
        if (channel->keys().empty()) continue;
        start = std::min(start, channel->keys().front().point.x);
        end = std::max(end, channel->keys().back().point.x);
    }
    if (start > end) start = end = 0.0f;  // no keys at all
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: game TIMELINE_FILE\n");
        return 2;
    }
    try {
        const kvr::TimelineFile file = kvr::TimelineFile::load(argv[1]);
        // A game would rather run with what loaded than not at all; it says what was missed.
        for (const std::string& problem : file.problems()) {
            std::fprintf(stderr, "%s\n", problem.c_str());
        }
        for (const std::string& name : file.timeline3Names()) {
            const kvr::Timeline3& timeline = *file.timeline3(name);
            float start = 0.0f;
            float end = 0.0f;
            timeSpan(timeline, start, end);
            std::printf("%s\n", name.c_str());
            for (int i = 0; i < 10; ++i) {
                const float t = start + (end - start) * static_cast<float>(i) / 9.0f;
                // valueAt reads the curve as the editor draws it.
                std::printf("  t %8.3f  x %9.3f  y %9.3f  z %9.3f\n", t, timeline.x.valueAt(t),
                            timeline.y.valueAt(t), timeline.z.valueAt(t));
            }
        }
        return file.complete() ? 0 : 1;
    } catch (const kvr::Error& error) {
        // A wrong call into the timeline library: the file needs fixing.
        std::string message = error.what();
        if (!message.empty() && message.back() == '\n') message.pop_back();
        std::fprintf(stderr, "%s: %s\n", argv[1], message.c_str());
        return 1;
    }
}
