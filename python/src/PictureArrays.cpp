#include "PictureArrays.h"

#include <QGuiApplication>

#include <pybind11/pybind11.h>

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>

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

namespace {

// The Qt application the chart's text needs lives on a thread of its own, which makes it, keeps
// it while Python runs and destroys it when Python exits: Qt wants an application destroyed on
// the thread that made it, and Python may first ask for a chart on any of its threads (which
// may be gone by then) and exits on its main thread.
class GuiThread {
public:
    GuiThread()
    {
        thread_ = std::thread([this] { run(); });
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return ready_; });
    }

    // Destroys the application on its thread and waits for the thread to end.
    void stop()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

private:
    void run()
    {
        static char name[] = "tessavo", platformOption[] = "-platform", platform[] = "offscreen";
        static char* argv[] = {name, platformOption, platform, nullptr};
        static int argc = 3;
        auto app = std::make_unique<QGuiApplication>(argc, argv);
        std::unique_lock<std::mutex> lock(mutex_);
        ready_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return quit_; });
        app.reset();
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ready_ = false;
    bool quit_ = false;
};

} // namespace

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
    // Made while this thread holds the GIL, so that no other Python thread makes a second one.
    static GuiThread* gui = nullptr;
    gui = new GuiThread;
    py::module_::import("atexit").attr("register")(py::cpp_function([] {
        py::gil_scoped_release release;
        gui->stop();
        delete gui;
        gui = nullptr;
    }));
}
