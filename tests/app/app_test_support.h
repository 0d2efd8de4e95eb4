#pragma once

// Shared by the tests of the main window: one QApplication for the whole test process, on the
// offscreen platform unless the environment asks for another.

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QTest>
#include <cstdlib>

#include "platform/grid_renderer.h"

namespace app_test {

inline QApplication& Application() {
    static int argc = 1;
    static char name[] = "app_test";
    static char* argv[] = {name, nullptr};
    static QApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* app = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("VantrelPelmora"));
        RegisterCjkFontSubstitutions();
        return app;
    }();
    return *application;
}

inline QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace app_test
