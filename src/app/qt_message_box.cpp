#include "app/qt_message_box.h"

#include <QApplication>
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
    box.exec();
}
