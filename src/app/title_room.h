#pragma once

class QWidget;

// The width a small window needs for the window manager to show its whole title: the title in
// a bold face beside the frame's icon and three buttons. A dialog sized to its content alone
// (a progress dialog, a short message) would have its title cut short.
int TitleRoomWidth(const QWidget& window);

// Room a window frame takes beside the title: the icon and the three buttons, in pixels.
inline constexpr int kTitleFrameRoom = 160;
