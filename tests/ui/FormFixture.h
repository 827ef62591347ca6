#pragma once
// Helpers shared by the window tests: an error reporter that records instead of showing a
// modal box, and small measurements of the window's state.
#include "ui/ErrorReporter.h"
#include "ui/ClientArea.h"
#include "ui/TForm1.h"

#include <QFile>
#include <QImage>
#include <QScreen>
#include <QStringList>
#include <QTest>

#include <cstdint>
#include <memory>
#include <vector>

// The chart bitmap reaches two rows below the 588-pixel client area; this is what shows.
inline const QRect visibleChart(10, 420, 490, 168);

class RecordingReporter : public ErrorReporter {
public:
    QStringList messages;
    void show(const QString& message) override { messages << message; }
};

struct FormFixture {
    RecordingReporter errors;
    std::unique_ptr<TForm1> form = std::make_unique<TForm1>(&errors);

    // Shows the window and waits until the window system has painted it.
    bool showAndWait()
    {
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }

    // What the window shows in a rectangle of its client area, read back from the screen
    // without asking the window to paint.
    QImage onScreen(const QRect& r) const
    {
        const QPoint corner = form->client->mapTo(form.get(), r.topLeft());
        return form->screen()
            ->grabWindow(form->winId(), corner.x(), corner.y(), r.width(), r.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
};

// Sum of all column heights, in layers.
inline int64_t totalHeight(const Tablica& t)
{
    int64_t sum = 0;
    for (int32_t r = 0; r < t.height; ++r)
        for (int32_t c = 0; c < t.width; ++c)
            sum += t.get(r, c);
    return sum;
}

// All column heights, row by row.
inline std::vector<int32_t> heights(const Tablica& t)
{
    std::vector<int32_t> h;
    for (int32_t r = 0; r < t.height; ++r)
        for (int32_t c = 0; c < t.width; ++c)
            h.push_back(t.get(r, c));
    return h;
}

// Writes a whole file; false when it could not.
inline bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Pixels of a bitmap that are not white.
inline int inkedPixels(const Bitmap& b)
{
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            n += b.pixel(x, y) != 0xFFFFFFu;
    return n;
}
