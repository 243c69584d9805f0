// The plain inputs the editing core takes: key symbols, modifiers and mouse buttons.
#pragma once

namespace kvr {

// Key symbols with the values of SDL 1.2's key symbols, so that a window layer on SDL passes
// them through unchanged; letters are their small ASCII codes.
namespace keys {
constexpr int Backspace = 8;
constexpr int Tab = 9;
constexpr int Return = 13;
constexpr int Escape = 27;
constexpr int Plus = 43;
constexpr int Minus = 45;
constexpr int Semicolon = 59;
constexpr int Equals = 61;
constexpr int A = 'a';
constexpr int C = 'c';
constexpr int D = 'd';
constexpr int E = 'e';
constexpr int F = 'f';
constexpr int H = 'h';
constexpr int I = 'i';
constexpr int N = 'n';
constexpr int R = 'r';
constexpr int S = 's';
constexpr int V = 'v';
constexpr int X = 'x';
constexpr int Y = 'y';
constexpr int Z = 'z';
constexpr int Delete = 127;
constexpr int KeypadMinus = 269;
constexpr int KeypadPlus = 270;
constexpr int KeypadEnter = 271;
constexpr int Up = 273;
constexpr int Down = 274;
constexpr int Right = 275;
constexpr int Left = 276;
constexpr int Home = 278;
constexpr int F1 = 282;
constexpr int F2 = 283;
// Num Lock, Caps Lock, Scroll Lock, then Shift, Control, Alt, Meta, Super (right and left),
// Mode and Compose: the keys that only change what other keys mean.
constexpr int FirstModifier = 300;
constexpr int RightShift = 303;
constexpr int LeftShift = 304;
constexpr int LastModifier = 314;
}  // namespace keys

// What a key press asks of the window beyond the core's own state.
enum class KeyOutcome { Stay, Quit };

// The modifiers held at a key press, as the event reported them.
struct KeyModifiers {
    bool shift = false;
    bool ctrl = false;
};

// Mouse buttons as numbered in button events; a wheel step is a press and release of 4 or 5.
namespace buttons {
constexpr int Left = 1;
constexpr int Middle = 2;
constexpr int Right = 3;
constexpr int WheelUp = 4;
constexpr int WheelDown = 5;
// Bits of the held-button mask.
constexpr int LeftMask = 1;
constexpr int MiddleMask = 2;
constexpr int RightMask = 4;
}  // namespace buttons

}  // namespace kvr
