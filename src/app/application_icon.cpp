#include "app/application_icon.h"

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/%1/vantrel-pelmora.png").arg(size), QSize(size, size));
    }
    return icon;
}
