// EntryPanel: typing into labelled fields, and the number texts the key panel shows and reads.
#include "editing/entry_panel.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>

namespace kvr {

namespace {

// Appends the UTF-8 form of a Unicode scalar value.
void appendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool isScalarValue(char32_t c) {
    return c != 0 && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

EntryPanel::EntryPanel(std::vector<Field> fields, CharacterRule accepts)
    : fields_(std::move(fields)), accepts_(std::move(accepts)) {
    for (const Field& field : fields_) openingTexts_.push_back(field.text);
}

void EntryPanel::type(char32_t character) {
    if (fields_.empty() || !isScalarValue(character) || !accepts_ || !accepts_(character)) return;
    std::string& text = fields_[active_].text;
    if (selected_) text.clear();
    appendUtf8(text, character);
    edited();
}

void EntryPanel::eraseBack() {
    if (fields_.empty()) return;
    std::string& text = fields_[active_].text;
    if (selected_) {
        text.clear();
    } else {
        // A character is its lead byte and the continuation bytes (10xxxxxx) after it.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
            text.pop_back();
        }
        if (!text.empty()) text.pop_back();
    }
    edited();
}

void EntryPanel::edited() {
    selected_ = false;
    fields_[active_].marked = false;
    bool anyMarked = false;
    for (const Field& field : fields_) anyMarked = anyMarked || field.marked;
    if (!anyMarked) message_.clear();
}

void EntryPanel::moveActive(int direction) {
    if (fields_.empty()) return;
    const std::size_t n = fields_.size();
    active_ = (active_ + (direction < 0 ? n - 1 : 1)) % n;
    selected_ = true;
}

bool EntryPanel::changed(std::size_t field) const {
    return fields_.at(field).text != openingTexts_.at(field);
}

void EntryPanel::mark(const std::vector<std::size_t>& fields, const std::string& message) {
    if (fields.empty()) return;
    for (std::size_t field : fields) fields_.at(field).marked = true;
    message_ = message;
    active_ = fields.front();
    selected_ = true;
}

bool nameCharacter(char32_t c) {
    return c >= 0x20 && !(c >= 0x7F && c <= 0x9F);
}

bool numberCharacter(char32_t c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
}

std::string floatText(float value) {
    // Room for the longest shortest form, such as "-1.17549435e-38".
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::optional<float> parseFiniteFloat(const std::string& text) {
    const char* first = text.data();
    const char* const last = first + text.size();
    // The conversion takes no plus sign of its own; a second sign after it is no number.
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '+' || *first == '-')) return std::nullopt;
    }
    if (first == last) return std::nullopt;
    float value = 0.0f;
    std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of a float's range either way: past its largest finite value (infinite, unless it
        // still rounds down to that value) or below its smallest (zero, with its sign).
        double wide = 0.0;
        result = std::from_chars(first, last, wide);
        value = static_cast<float>(wide);
    }
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kvr
