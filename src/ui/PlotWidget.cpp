#include "ui/PlotWidget.h"

#include "ui/WindowFont.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kRightMargin = 26.0; // room for the labels written beside a series' end
constexpr double kBarWidth = 12.0;    // the colour bar beside a picture

} // namespace

PlotWidget::PlotWidget(QWidget* parent) : QWidget(parent)
{
    setFont(windowFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    rescale();
}

void PlotWidget::setTitle(const QString& title)
{
    title_ = title;
    update();
}

void PlotWidget::setAxisLabels(const QString& x, const QString& y)
{
    xLabel_ = x;
    yLabel_ = y;
    update();
}

void PlotWidget::setLogAxes(bool xLog, bool yLog)
{
    x_ = PlotAxis(xLog);
    y_ = PlotAxis(yLog);
    rescale();
    update();
}

void PlotWidget::setSeries(std::vector<Series> series)
{
    series_ = std::move(series);
    rescale();
    update();
}

void PlotWidget::setNotes(const QStringList& notes)
{
    notes_ = notes;
    update();
}

void PlotWidget::setBand(std::optional<std::pair<double, double>> band)
{
    band_ = band;
    update();
}

void PlotWidget::setPicture(const QImage& picture, const QImage& scale, const QString& low, const QString& high)
{
    picture_ = picture;
    if (scale.cacheKey() != scale_.cacheKey())
        bar_ = QImage();
    scale_ = scale;
    low_ = low;
    high_ = high;
    update();
}

std::pair<double, double> PlotWidget::xSpan() const
{
    return {x_.lo(), x_.hi()};
}

std::pair<double, double> PlotWidget::ySpan() const
{
    return {y_.lo(), y_.hi()};
}

void PlotWidget::rescale()
{
    double xlo = std::numeric_limits<double>::infinity(), xhi = -xlo;
    double ylo = xlo, yhi = -xlo;
    for (const Series& s : series_) {
        const double half = s.style == Style::Bars ? s.barWidth / 2 : 0.0;
        for (const QPointF& p : s.points) {
            if (!x_.shows(p.x()) || !y_.shows(p.y()))
                continue;
            xlo = std::min(xlo, p.x() - half);
            xhi = std::max(xhi, p.x() + half);
            ylo = std::min(ylo, p.y());
            yhi = std::max(yhi, p.y());
            if (s.style == Style::Bars && !y_.log())
                ylo = std::min(ylo, 0.0); // bars stand on zero
        }
    }
    x_ = PlotAxis(x_.log(), xlo, xhi);
    y_ = PlotAxis(y_.log(), ylo, yhi);
}

QRectF PlotWidget::plotArea(const QRectF& frame) const
{
    const QFontMetricsF fm(font());
    const double line = fm.height();
    const double left = fm.horizontalAdvance(QStringLiteral("-0.0000")) + line + 6;
    const double top = line + 8;
    const double bottom = 2 * line + 8;
    return QRectF(frame.left() + left, frame.top() + top, std::max(1.0, frame.width() - left - kRightMargin),
        std::max(1.0, frame.height() - top - bottom));
}

double PlotWidget::pixelOfX(double x) const
{
    const QRectF area = plotArea();
    return x_.pixelOf(x, area.left(), area.right());
}

double PlotWidget::xOfPixel(double pixel) const
{
    const QRectF area = plotArea();
    return x_.valueAt(pixel, area.left(), area.right());
}

void PlotWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    render(painter, QRectF(rect()));
}

void PlotWidget::render(QPainter& p, const QRectF& target) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    const QFontMetricsF fm(font());
    if (!picture_.isNull()) {
        p.fillRect(target, Qt::white);
        p.setPen(Qt::black);
        drawLabel(p, QRectF(target.left() + 4, target.top() + 2, target.width() - 8, fm.height() + 4),
            Qt::AlignLeft | Qt::AlignVCenter, title_);
        drawPicture(p, target);
        p.restore();
        return;
    }
    // The title, the axes, their ticks and labels change only with the spans: drawn once into
    // a picture of their own, copied while the data move.
    const qreal ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QSize size = target.size().toSize();
    const QString key = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8|%9|%10|%11")
                            .arg(size.width()).arg(size.height()).arg(ratio)
                            .arg(x_.log()).arg(y_.log())
                            .arg(QString::number(x_.lo(), 'g', 17), QString::number(x_.hi(), 'g', 17),
                                QString::number(y_.lo(), 'g', 17), QString::number(y_.hi(), 'g', 17))
                            .arg(title_, xLabel_ + QLatin1Char('|') + yLabel_);
    if (key != axesKey_ || axesCache_.isNull()) {
        axesCache_ = QImage(size * ratio, QImage::Format_RGB32);
        axesCache_.setDevicePixelRatio(ratio);
        QPainter c(&axesCache_);
        c.setFont(font());
        const QRectF frame(QPointF(0, 0), QSizeF(size));
        c.fillRect(frame, Qt::white);
        c.setPen(Qt::black);
        drawLabel(c, QRectF(4, 2, frame.width() - 8, fm.height() + 4), Qt::AlignLeft | Qt::AlignVCenter, title_);
        drawAxes(c, plotArea(frame));
        axesKey_ = key;
    }
    p.drawImage(target.topLeft(), axesCache_);

    const QRectF area = plotArea(target);
    if (band_) {
        const double least = x_.log() ? x_.lo() : -1e300; // a log axis takes ends at 0 or below as its low end
        double a = x_.pixelOf(std::max(band_->first, least), area.left(), area.right());
        double b = x_.pixelOf(std::max(band_->second, least), area.left(), area.right());
        a = std::clamp(a, area.left(), area.right());
        b = std::clamp(b, area.left(), area.right());
        // Opaque: blending a band the height of the plot costs as much as the rest of it.
        p.fillRect(QRectF(std::min(a, b), area.top() + 1, std::abs(b - a), area.height() - 1), QColor(255, 240, 190));
    }
    drawSeries(p, area);
    if (!notes_.isEmpty()) {
        const double line = fm.height();
        double width = 0;
        for (const QString& n : notes_)
            width = std::max(width, fm.horizontalAdvance(n));
        const QRectF box(area.left() + 4, area.top() + 4, width + 8, line * notes_.size() + 4);
        p.fillRect(box, QColor(255, 255, 255, 210));
        p.setPen(Qt::black);
        for (int i = 0; i < notes_.size(); ++i)
            drawLabel(p, QRectF(box.left() + 4, box.top() + 2 + i * line, width, line), Qt::AlignLeft | Qt::AlignTop,
                notes_[i]);
    }
    p.restore();
}

void PlotWidget::drawAxes(QPainter& p, const QRectF& area) const
{
    // Axis-parallel lines need no antialiasing: they stay sharp and cost far less.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QFontMetricsF fm(font());
    const QPen axisPen(QColor(60, 60, 60), 1.0);
    const QPen gridPen(QColor(225, 225, 225), 1.0);
    for (const PlotAxis::Tick& t : x_.ticks()) {
        const double px = x_.pixelOf(t.value, area.left(), area.right());
        if (t.major) {
            p.setPen(gridPen);
            p.drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
        }
        p.setPen(axisPen);
        p.drawLine(QPointF(px, area.bottom()), QPointF(px, area.bottom() + (t.major ? 5 : 3)));
        if (!t.text.isEmpty())
            drawLabel(p, QRectF(px - 40, area.bottom() + 5, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop, t.text);
    }
    for (const PlotAxis::Tick& t : y_.ticks()) {
        const double py = y_.pixelOf(t.value, area.bottom(), area.top());
        if (t.major) {
            p.setPen(gridPen);
            p.drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        }
        p.setPen(axisPen);
        p.drawLine(QPointF(area.left() - (t.major ? 5 : 3), py), QPointF(area.left(), py));
        if (!t.text.isEmpty())
            drawLabel(p, QRectF(area.left() - 86, py - fm.height() / 2, 80, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                t.text);
    }
    p.setPen(axisPen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    drawLabel(p, QRectF(area.left(), area.bottom() + fm.height() + 6, area.width(), fm.height()), Qt::AlignHCenter,
        xLabel_);
    p.save();
    p.translate(area.left() - fm.horizontalAdvance(QStringLiteral("-0.0000")) - 6, area.center().y());
    p.rotate(-90);
    drawLabel(p, QRectF(-area.height() / 2, -fm.height(), area.height(), fm.height()), Qt::AlignHCenter, yLabel_);
    p.restore();
    p.restore();
}

void PlotWidget::drawSeries(QPainter& p, const QRectF& area) const
{
    p.save();
    p.setClipRect(area.adjusted(-3, -3, kRightMargin, 3));
    const QFontMetricsF fm(font());
    for (const Series& s : series_) {
        QPolygonF pixels;
        pixels.reserve(static_cast<qsizetype>(s.points.size()));
        for (const QPointF& d : s.points)
            if (x_.shows(d.x()) && y_.shows(d.y()))
                pixels << QPointF(x_.pixelOf(d.x(), area.left(), area.right()), y_.pixelOf(d.y(), area.bottom(), area.top()));
        if (pixels.isEmpty())
            continue;
        switch (s.style) {
        case Style::Points: {
            // One antialiased mark drawn once and copied to every point: hundreds of points
            // cost little more than one.
            const QImage& mark = markOf(s.colour, 5.0);
            for (const QPointF& at : pixels)
                p.drawImage(QPointF(std::round(at.x()) - 3, std::round(at.y()) - 3), mark);
            break;
        }
        case Style::Line: {
            // Cosmetic one-pixel pens take the raster engine's fast path; a wider antialiased
            // pen is stroked as a polygon and costs a hundred times more. Two side by side
            // make the line bold.
            QPen pen(s.colour, 1.0);
            pen.setCosmetic(true);
            p.setPen(pen);
            p.drawPolyline(pixels);
            if (s.bold)
                p.drawPolyline(pixels.translated(0.0, 0.8));
            break;
        }
        case Style::Dotted: {
            // Round dots every 4 pixels along each segment, copied as the points' marks are
            // (a dash pattern is stroked dot by dot, far more slowly).
            const QImage& dot = markOf(s.colour, 2.2);
            for (qsizetype i = 0; i + 1 < pixels.size(); ++i) {
                const QPointF step = pixels[i + 1] - pixels[i];
                const double length = std::hypot(step.x(), step.y());
                const int dots = std::min(4000, static_cast<int>(length / 4.0));
                for (int d = 0; d <= dots; ++d) {
                    const QPointF at = pixels[i] + step * (dots > 0 ? double(d) / dots : 0.0);
                    p.drawImage(QPointF(std::round(at.x()) - 3, std::round(at.y()) - 3), dot);
                }
            }
            break;
        }
        case Style::Bars: {
            p.setRenderHint(QPainter::Antialiasing, false); // whole-pixel bars
            p.setPen(QPen(s.colour.darker(130), 0));
            p.setBrush(s.colour);
            const double base = y_.log() ? area.bottom() : y_.pixelOf(0.0, area.bottom(), area.top());
            for (const QPointF& d : s.points) {
                if (!x_.shows(d.x()) || !y_.shows(d.y()))
                    continue;
                const double a = x_.pixelOf(d.x() - s.barWidth / 2, area.left(), area.right());
                const double b = x_.pixelOf(d.x() + s.barWidth / 2, area.left(), area.right());
                const double top = y_.pixelOf(d.y(), area.bottom(), area.top());
                p.drawRect(QRectF(QPointF(a, top), QPointF(b, base)).normalized());
            }
            p.setBrush(Qt::NoBrush);
            p.setRenderHint(QPainter::Antialiasing, true);
            break;
        }
        }
        if (!s.label.isEmpty()) {
            p.setPen(s.colour);
            const QPointF end = pixels.back();
            drawLabel(p, QRectF(std::min(end.x() + 3, area.right() + 2), end.y() - fm.height() / 2, kRightMargin, fm.height()),
                Qt::AlignLeft | Qt::AlignVCenter, s.label);
        }
    }
    p.restore();
}

void PlotWidget::drawPicture(QPainter& p, const QRectF& frame) const
{
    const QFontMetricsF fm(font());
    const double labelWidth = std::max(fm.horizontalAdvance(low_), fm.horizontalAdvance(high_));
    const QRectF room(frame.left() + 8, frame.top() + fm.height() + 8,
        std::max(1.0, frame.width() - 24 - kBarWidth - labelWidth), std::max(1.0, frame.height() - fm.height() - 16));
    const double scale = std::min(room.width() / picture_.width(), room.height() / picture_.height());
    const QRectF target(room.left() + (room.width() - picture_.width() * scale) / 2, room.top(),
        picture_.width() * scale, picture_.height() * scale);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false); // one square per cell
    p.drawImage(target, picture_);
    p.setPen(QColor(60, 60, 60));
    p.drawRect(target);
    if (scale_.isNull())
        return;
    const QRectF bar(target.right() + 8, target.top(), kBarWidth, target.height());
    const QSize barSize(static_cast<int>(bar.width()), std::max(1, static_cast<int>(bar.height())));
    if (bar_.size() != barSize) {
        bar_ = QImage(barSize, QImage::Format_RGB32);
        for (int y = 0; y < barSize.height(); ++y) {
            // The scale's first colour at the foot.
            const int level = (barSize.height() - 1 - y) * scale_.width() / barSize.height();
            const QRgb colour = scale_.pixel(level, 0);
            for (int x = 0; x < barSize.width(); ++x)
                bar_.setPixel(x, y, colour);
        }
    }
    p.drawImage(bar.topLeft(), bar_);
    p.drawRect(bar);
    p.setPen(Qt::black);
    drawLabel(p, QRectF(bar.right() + 4, bar.top(), labelWidth, fm.height()), Qt::AlignLeft | Qt::AlignTop, high_);
    drawLabel(p, QRectF(bar.right() + 4, bar.bottom() - fm.height(), labelWidth, fm.height()), Qt::AlignLeft | Qt::AlignBottom,
        low_);
}

const QImage& PlotWidget::markOf(const QColor& colour, double diameter) const
{
    QImage& mark = markers_[qMakePair(colour.rgba(), diameter)];
    if (mark.isNull()) {
        mark = QImage(7, 7, QImage::Format_ARGB32_Premultiplied);
        mark.fill(Qt::transparent);
        QPainter m(&mark);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(colour);
        m.drawEllipse(QPointF(3.5, 3.5), diameter / 2, diameter / 2);
    }
    return mark;
}

void PlotWidget::drawLabel(QPainter& p, const QRectF& box, int align, const QString& text) const
{
    if (text.isEmpty())
        return;
    if (labels_.size() > 512)
        labels_.clear();
    auto found = labels_.find(text);
    if (found == labels_.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font());
        found = labels_.insert(text, laid);
    }
    const QSizeF size = found->size();
    const double x = (align & Qt::AlignRight) ? box.right() - size.width()
        : (align & Qt::AlignHCenter)          ? box.center().x() - size.width() / 2
                                              : box.left();
    const double y = (align & Qt::AlignBottom) ? box.bottom() - size.height()
        : (align & Qt::AlignVCenter)           ? box.center().y() - size.height() / 2
                                               : box.top();
    p.drawStaticText(QPointF(x, y), *found);
}

void PlotWidget::emitDrag(double pixel)
{
    if (!dragged_ && std::abs(pixel - pressPixel_) < 3.0)
        return;
    dragged_ = true;
    const double here = xOfPixel(pixel);
    emit xRangeChosen(std::min(*dragStart_, here), std::max(*dragStart_, here));
}

void PlotWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !picture_.isNull())
        return;
    const QRectF area = plotArea();
    const QPointF at = event->position();
    if (at.x() < area.left() || at.x() > area.right() || at.y() < area.top())
        return; // the plot or the x axis under it
    dragStart_ = xOfPixel(at.x());
    pressPixel_ = at.x();
    dragged_ = false;
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (dragStart_)
        emitDrag(event->position().x());
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragStart_ || event->button() != Qt::LeftButton)
        return;
    emitDrag(event->position().x());
    dragStart_.reset();
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && picture_.isNull()) {
        dragStart_.reset();
        emit xRangeCleared();
    }
}
