#pragma once

class QWidget;

// Makes the main window's controls usable without the mouse and with a screen reader:
//
// - Return or Enter on a focused push button presses it, as Space does (a plain window, unlike
//   a dialog, leaves Return to the focused widget, and a push button outside a dialog ignores
//   it);
// - every control has an accessible name of its own. Qt would name the two number boxes after
//   their group box, both "数字范围设置"; they are named after their phrase instead, and the
//   check boxes after their operation rather than a bare sign.
//
// Call it once, after every control of the window has been made.
void MakeControlsAccessible(QWidget& window);
