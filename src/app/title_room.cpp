#include "app/title_room.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

int TitleRoomWidth(const QWidget& window) {
    QFont titleFont = window.font();
    titleFont.setBold(true);
    return QFontMetrics(titleFont).horizontalAdvance(window.windowTitle()) + kTitleFrameRoom;
}
