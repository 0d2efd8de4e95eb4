#include "app/qt_message_box.h"

#include "app/title_room.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon IconOf(int32_t style) {
    switch (style & 0xF0) {
        case 16:
            return QMessageBox::Critical;
        case 32:
            return QMessageBox::Question;
        case 48:
            return QMessageBox::Warning;
        case 64:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

void QtMessageBox::Show(const std::string& text, int32_t style) {
    QMessageBox box(IconOf(style), QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    // A message box sizes itself to its text; a short message would have its title cut short.
    // A spacer along the bottom row makes it at least as wide as the title needs.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(
            new QSpacerItem(TitleRoomWidth(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}
