// RebuildCheck: whether channels' samples are what a full rebuild makes. Built without coverage
// feedback (fuzz/CMakeLists.txt), so the fuzzer steers by the editor's paths, not the check's.
#include "fuzz/rebuild_check.h"

#include <cstring>

#include "tests/timeline/full_rebuild.h"

namespace kvr::fuzz {

namespace {

template <typename T>
bool sameBytes(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

}  // namespace

std::string RebuildCheck::difference(const Channel& channel) {
    auto found = passed_.find(&channel);
    if (found != passed_.end() && found->second.revision == channel.revision()) {
        if (!sameBytes(found->second.keys, channel.keys()) ||
            !sameBytes(found->second.samples, channel.samples())) {
            return "keys or samples changed under an unchanged revision";
        }
        return {};
    }
    std::string difference = fullRebuildDifference(channel);
    if (difference.empty()) {
        passed_[&channel] = {channel.revision(), channel.keys(), channel.samples()};
    }
    return difference;
}

}  // namespace kvr::fuzz
