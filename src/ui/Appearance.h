#pragma once
// The look the operator chooses for the whole program: the size of its
// text (Ctrl+plus / Ctrl+minus, Ctrl+0 back to the desktop's), kept in the
// user's settings between runs. Colours follow the desktop's light or dark
// palette; what the program colours by itself follows it too (FormKit).

class QWidget;

namespace nimbo::ui {

// Limits of the text size, in points.
constexpr int kSmallestFont = 7;
constexpr int kLargestFont = 24;

// The size in force, in points.
int fontSize();
// Sets the size of every window's text (bounded to the limits) and keeps it.
// The fields sized for a number of characters follow (FormKit).
void setFontSize(int points);
// One point more or less; the size now in force.
int changeFontSize(int delta);
// Back to the desktop's size, and nothing kept.
void resetFontSize();
// At start: the size kept by the last run, if any.
void applyKeptFontSize();

// Ctrl+plus, Ctrl+minus and Ctrl+0 on the window.
void bindFontKeys(QWidget *window);

} // namespace nimbo::ui
