// SharedTimeline: the registry's shared hold on a timeline, whose constness reaches the timeline.
#pragma once

#include <memory>
#include <utility>

namespace kvr {

// Like std::shared_ptr, except that a const handle gives only a const timeline: a registry handed
// out as const (a loaded file's) cannot be changed through the timelines it holds. A copy made
// from a const handle could change the timeline again, so handles move but are not copied.
template <typename T>
class SharedTimeline {
public:
    explicit SharedTimeline(std::shared_ptr<T> timeline) : timeline_(std::move(timeline)) {}
    SharedTimeline(SharedTimeline&&) noexcept = default;
    SharedTimeline& operator=(SharedTimeline&&) noexcept = default;
    SharedTimeline(const SharedTimeline&) = delete;
    SharedTimeline& operator=(const SharedTimeline&) = delete;

    T* get() { return timeline_.get(); }
    const T* get() const { return timeline_.get(); }
    T& operator*() { return *timeline_; }
    const T& operator*() const { return *timeline_; }
    T* operator->() { return timeline_.get(); }
    const T* operator->() const { return timeline_.get(); }

    // Another hold on the same timeline; only a handle that may change it gives one out.
    std::shared_ptr<T> share() { return timeline_; }

private:
    std::shared_ptr<T> timeline_;
};

}  // namespace kvr
