// How text reaches a file: handed over a piece at a time, so a large file is never held whole.
#pragma once

#include <functional>
#include <string_view>

namespace kvr {

// Takes text a piece at a time; returns false to stop the writing.
using TextSink = std::function<bool(std::string_view piece)>;

// Makes a text by handing it to the sink it is given; false when it, or the sink, failed.
using TextSource = std::function<bool(const TextSink&)>;

}  // namespace kvr
