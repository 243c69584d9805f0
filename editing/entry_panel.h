// EntryPanel: a few labelled text fields typed into from the keyboard, one of them active.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvr {

class EntryPanel {
public:
    // Which typed characters (Unicode code points) the fields take; the others are ignored. A
    // property of each panel, since numbers take a handful of characters and names take any.
    using CharacterRule = std::function<bool(char32_t)>;

    struct Field {
        std::string label;
        std::string text;  // UTF-8
        bool marked = false;
    };

    // The fields with their labels and opening texts; the first is active, its text selected.
    EntryPanel(std::vector<Field> fields, CharacterRule accepts);

    const std::vector<Field>& fields() const { return fields_; }
    std::size_t activeField() const { return active_; }
    // While set, the active field's whole text is selected: the next character typed replaces
    // it and Backspace clears it.
    bool textSelected() const { return selected_; }
    // Said in the panel about its marked fields; empty when none is marked.
    const std::string& message() const { return message_; }

    // A character the rule takes goes to the end of the active field's text (or replaces the
    // selected text); any other is ignored, as are code points that are not characters.
    void type(char32_t character);
    // Deletes the selected text, or else the last character of the active field.
    void eraseBack();
    // Makes the next (or previous) field active, wrapping around, with its text selected.
    void moveActive(int direction);
    // Whether the field's text differs from the one it opened with.
    bool changed(std::size_t field) const;

    // Says something in the panel without marking a field, until the text is next edited.
    void say(const std::string& message) { message_ = message; }
    // Marks the fields whose texts are wrong, says why, and makes the first of them active with
    // its text selected. A marked field loses its mark once its text is edited.
    void mark(const std::vector<std::size_t>& fields, const std::string& message);

private:
    void edited();

    std::vector<Field> fields_;
    std::vector<std::string> openingTexts_;
    CharacterRule accepts_;
    std::size_t active_ = 0;
    bool selected_ = true;
    std::string message_;
};

// Any character that prints: every code point but the control characters (C0, DEL and C1).
bool nameCharacter(char32_t character);
// The characters of a number as typed: digits, a point, signs and an exponent's e.
bool numberCharacter(char32_t character);
// The shortest text that reads back to exactly this float ("2.5", "1e+20", "-0", "inf").
std::string floatText(float value);
// The float a typed number rounds to; none unless the whole text is a number (one leading '+'
// allowed) whose float is finite. Numbers too small for a float read as a signed zero.
std::optional<float> parseFiniteFloat(const std::string& text);

}  // namespace kvr
