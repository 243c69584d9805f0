// The numbers --export writes: the fewest digits that read back to the float, on many floats.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/support/values_timeline.h"
#include "timeline/timeline_registry.h"

namespace kvr {
namespace {

// How many significant digits a decimal's text has: no sign, point, exponent or outer zeros.
std::size_t significantDigits(const std::string& text) {
    const std::string digits = text.substr(0, text.find_first_of("eE"));
    const std::size_t first = digits.find_first_of("123456789");
    if (first == std::string::npos) return 1;
    const std::size_t last = digits.find_last_of("123456789");
    const std::size_t points = digits.find('.', first) < last ? 1 : 0;
    return last - first + 1 - points;
}

TEST(TimelineJson, EveryNumberHasTheFewestDigitsThatReadBackToItsFloat) {
    const float max = std::numeric_limits<float>::max();
    // Values the library's own float printing writes too long, ties, ends of the range, and
    // bit patterns drawn evenly, which reach every exponent and non-finite values.
    std::vector<float> values = {
        0.1f,     1e-5f, 1.00390625f, -0.0f, 123456792.0f,
        1.075e9f, 1e21f, max,         -max,  std::numeric_limits<float>::denorm_min()};
    std::mt19937 random(16);
    while (values.size() % 5 != 0 || values.size() < 100000) {
        const std::uint32_t bits = random();
        values.push_back(0.0f);
        std::memcpy(&values.back(), &bits, sizeof bits);
    }
    std::vector<float> written;
    const std::shared_ptr<Timeline1> timeline = valuesTimeline(values, written);
    TimelineRegistry registry;
    registry.addTimeline1("c", timeline);
    const std::string text = timelinesJson(registry);

    // After "channel" every value is a number (or null) that follows a '[' or a ','.
    std::size_t at = text.find("\"channel\"");
    int failures = 0;
    for (const float v : written) {
        do {
            at = text.find_first_of("[,", at + 1);
        } while (text.compare(at + 1, 1, "{") == 0 || text.compare(at + 1, 1, "\"") == 0);
        const std::size_t end = text.find_first_of(",]", at + 1);
        const std::string token = text.substr(at + 1, end - at - 1);
        char chars[64];
        const std::to_chars_result r =
            std::to_chars(chars, chars + sizeof chars, v, std::chars_format::scientific);
        const std::string shortest(chars, r.ptr);
        const float back = std::strtof(token.c_str(), nullptr);
        const bool good = std::isfinite(v)
                              ? std::memcmp(&back, &v, sizeof v) == 0 &&
                                    significantDigits(token) == significantDigits(shortest)
                              : token == "null";
        if (!good && ++failures <= 10) ADD_FAILURE() << token << " for " << shortest;
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace kvr
