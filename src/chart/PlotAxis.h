#pragma once
// PlotAxis: one axis of a plot of the analysis window, in data units. Linear, it spans the
// data widened to whole steps of 1, 2 or 5 times a power of ten, with a labelled tick at every
// step; logarithmic, it spans whole decades, with a labelled tick at every decade and unlabelled
// ones at 2 .. 9 times each decade while the decades are few. It places a value along a range
// of pixels and finds the value at a pixel; it draws nothing.
#include <QString>

#include <cmath>
#include <limits>
#include <vector>

class PlotAxis {
public:
    struct Tick {
        double value;  // data units
        bool major;    // labelled, with a grid line across the plot
        QString text;  // the label; empty on minor ticks
    };

    // The axis spanning lo .. hi; with no data (lo > hi, or not numbers) 0 .. 1, or 1 .. 10
    // when logarithmic. A single value is widened to a span around it.
    explicit PlotAxis(bool log = false, double lo = std::numeric_limits<double>::quiet_NaN(),
                      double hi = std::numeric_limits<double>::quiet_NaN());

    // Whether an axis can show v: a finite number, above zero on a logarithmic axis.
    static bool shows(double v, bool log) { return std::isfinite(v) && (!log || v > 0.0); }
    bool shows(double v) const { return shows(v, log_); }

    bool log() const { return log_; }
    double lo() const { return lo_; }
    double hi() const { return hi_; }

    // The ticks from lo to hi, in that order (on a logarithmic axis each decade is followed by
    // its minor ticks).
    std::vector<Tick> ticks() const;

    // The pixel of v when lo is at pixel `atLo` and hi at `atHi` (a y axis runs upwards: atLo
    // below atHi); values outside the span fall outside the range.
    double pixelOf(double v, double atLo, double atHi) const
    {
        const double f = ((log_ ? std::log10(v) : v) - from_) / (to_ - from_);
        return atLo + f * (atHi - atLo);
    }
    // The value at `pixel`, within the span.
    double valueAt(double pixel, double atLo, double atHi) const;

private:
    bool log_;
    double lo_, hi_;     // the span, in data units
    double from_, to_;   // what is mapped: lo and hi, or their log10
};
