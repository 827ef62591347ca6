#pragma once
// PlotWidget: one small plot of the analysis window: a title, two axes (chart/PlotAxis: linear,
// or logarithmic with a labelled tick at every decade), axis labels, and series drawn as points,
// lines, dotted lines or bars in data coordinates; or, instead of axes, a picture with a colour
// bar.
// Lines of text ("notes") sit in the plot's top-left corner. A press and drag along the plot
// chooses a range of x (shown as a shaded band); a double click gives the choice up.
// Points that a logarithmic axis cannot show (zero or negative) are left out.
#include "chart/PlotAxis.h"

#include <QColor>
#include <QHash>
#include <QPair>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QStaticText>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class PlotWidget : public QWidget {
    Q_OBJECT
public:
    enum class Style { Points, Line, Dotted, Bars };

    struct Series {
        std::vector<QPointF> points; // data coordinates, in the order they are joined
        Style style = Style::Points;
        QColor colour = Qt::black;
        QString label;          // written beside the last point (empty: none)
        double barWidth = 0.0;  // Bars: the width of each bar in x units, centred on its x
        bool bold = false;      // Line: twice as thick
    };

    explicit PlotWidget(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return title_; }
    void setAxisLabels(const QString& x, const QString& y);
    void setLogAxes(bool xLog, bool yLog);
    // Series drawn in order, the later on top. The axes span every point shown.
    void setSeries(std::vector<Series> series);
    const std::vector<Series>& series() const { return series_; }
    void setNotes(const QStringList& notes);
    const QStringList& notes() const { return notes_; }
    // The shaded band of chosen x; nullopt: none.
    void setBand(std::optional<std::pair<double, double>> band);
    // A picture in place of the axes, scaled to fit with its proportions kept, with a colour
    // bar (`scale`, drawn bottom to top) labelled `low` at its foot and `high` at its head.
    void setPicture(const QImage& picture, const QImage& scale, const QString& low, const QString& high);

    // The axes' spans as drawn, in data units.
    std::pair<double, double> xSpan() const;
    std::pair<double, double> ySpan() const;
    // The area inside the axes of a widget of this size, in widget pixels.
    QRectF plotArea() const { return plotArea(QRectF(rect())); }
    // Widget pixel x <-> data x along the x axis.
    double pixelOfX(double x) const;
    double xOfPixel(double pixel) const;

    // Draws the plot into `target` of any painter (the widget paints itself this way).
    void render(QPainter& painter, const QRectF& target) const;

    QSize sizeHint() const override { return {380, 280}; }
    QSize minimumSizeHint() const override { return {200, 150}; }

signals:
    // While a press is dragged along the plot (a few pixels at least) and when it is released:
    // the x range between the press and the pointer, from <= to. A click chooses nothing.
    void xRangeChosen(double from, double to);
    // A double click on the plot.
    void xRangeCleared();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRectF plotArea(const QRectF& frame) const;
    // The axes span every point shown.
    void rescale();
    void drawAxes(QPainter& p, const QRectF& area) const;
    void drawSeries(QPainter& p, const QRectF& area) const;
    void drawPicture(QPainter& p, const QRectF& frame) const;
    void emitDrag(double pixel);
    // A round mark of `diameter` pixels centred in a 7 x 7 picture.
    const QImage& markOf(const QColor& colour, double diameter) const;
    // Writes `text` aligned in `box` (Qt::Alignment flags), from a laid-out copy kept per text.
    void drawLabel(QPainter& p, const QRectF& box, int align, const QString& text) const;

    QString title_, xLabel_, yLabel_;
    PlotAxis x_, y_;
    std::vector<Series> series_;
    QStringList notes_;
    std::optional<std::pair<double, double>> band_;
    QImage picture_, scale_;
    mutable QHash<QPair<QRgb, double>, QImage> markers_; // round marks, drawn once per colour and size
    mutable QImage axesCache_; // title, axes, ticks and labels for the spans in axesKey_
    mutable QString axesKey_;
    mutable QImage bar_; // the colour bar at the size last drawn (a rotated copy each time is slow)
    mutable QHash<QString, QStaticText> labels_; // texts laid out once: tick labels repeat
    QString low_, high_;
    std::optional<double> dragStart_; // data x of the press
    double pressPixel_ = 0.0;
    bool dragged_ = false; // moved far enough from the press to be a drag, not a click
};
