#pragma once
// Text drawing needs a GUI application object; tests that draw text make one on first use
// (on the offscreen platform unless another is chosen).
#include <QCoreApplication>
#include <QGuiApplication>

inline bool ensureGuiApplication()
{
    if (QCoreApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tessavo_tests";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}
