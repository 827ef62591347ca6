#include "PictureArrays.h"

#include <QGuiApplication>

#include <pybind11/pybind11.h>

#include <cstdio>
#include <stdexcept>

namespace py = pybind11;

py::array_t<uint8_t> rgbArray(const QImage& image)
{
    const py::ssize_t h = image.height(), w = image.width();
    py::array_t<uint8_t> out({h, w, py::ssize_t(3)});
    uint8_t* p = out.mutable_data();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            *p++ = static_cast<uint8_t>(qRed(line[x]));
            *p++ = static_cast<uint8_t>(qGreen(line[x]));
            *p++ = static_cast<uint8_t>(qBlue(line[x]));
        }
    }
    return out;
}

// The chart's text is drawn with the fonts of a Qt GUI application, as in the batch tool.
void ensureGuiApplication()
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (!qobject_cast<QGuiApplication*>(app))
            throw std::runtime_error("the chart's text needs a Qt GUI application, and this process runs a "
                                     "Qt core application");
        return;
    }
    // Only the toolkit's errors reach stderr, not its chatter about the offscreen platform.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "tessavo: %s\n", message.toLocal8Bit().constData());
    });
    static char name[] = "tessavo", platformOption[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static int argc = 3;
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    py::module_::import("atexit").attr("register")(py::cpp_function([] {
        delete app;
        app = nullptr;
    }));
}
