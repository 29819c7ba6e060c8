#pragma once
// The pages' default action: Enter that no control used (a focused button acts itself, a text
// box may keep Enter for its line breaks) presses the page's main button.
class QAbstractButton;
class QKeyEvent;

namespace talvex::ui {

// True when event was a plain Enter and button (enabled) has been pressed for it.
bool PressDefaultButton(QKeyEvent* event, QAbstractButton* button);

}  // namespace talvex::ui
