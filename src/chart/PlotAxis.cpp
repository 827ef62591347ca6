#include "chart/PlotAxis.h"

#include <algorithm>

namespace {

// 1, 2 or 5 times a power of ten, at least `raw`.
double niceStep(double raw)
{
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * decade >= raw * (1 - 1e-9))
            return m * decade;
    return 10.0 * decade;
}

// A linear tick's label; the first tick of a span from 0 is -0 and reads "0".
QString tickText(double v)
{
    if (std::abs(v) < 1e-12)
        return QStringLiteral("0");
    return QString::number(v, 'g', 4);
}

QString decadeText(int exponent)
{
    if (exponent >= -3 && exponent <= 4)
        return QString::number(std::pow(10.0, exponent), 'g', 6);
    return QStringLiteral("1e%1").arg(exponent);
}

} // namespace

PlotAxis::PlotAxis(bool log, double lo, double hi) : log_(log)
{
    if (log) {
        if (!(lo <= hi)) {
            lo = 1.0;
            hi = 10.0;
        }
        lo_ = std::pow(10.0, std::floor(std::log10(lo)));
        hi_ = std::pow(10.0, std::ceil(std::log10(hi)));
        if (!(hi_ > lo_))
            hi_ = lo_ * 10.0;
        from_ = std::log10(lo_);
        to_ = std::log10(hi_);
        return;
    }
    if (!(lo <= hi)) {
        lo = 0.0;
        hi = 1.0;
    }
    if (hi - lo < 1e-12 * std::max(1.0, std::abs(lo))) {
        lo -= 0.5;
        hi += 0.5;
    }
    const double step = niceStep((hi - lo) / 5.0);
    lo_ = std::floor(lo / step) * step;
    hi_ = std::ceil(hi / step) * step;
    from_ = lo_;
    to_ = hi_;
}

std::vector<PlotAxis::Tick> PlotAxis::ticks() const
{
    std::vector<Tick> ticks;
    if (log_) {
        const int e0 = static_cast<int>(std::lround(std::log10(lo_)));
        const int e1 = static_cast<int>(std::lround(std::log10(hi_)));
        const bool minor = e1 - e0 <= 6;
        for (int e = e0; e <= e1; ++e) {
            ticks.push_back({std::pow(10.0, e), true, decadeText(e)});
            if (minor && e < e1)
                for (int m = 2; m <= 9; ++m)
                    ticks.push_back({m * std::pow(10.0, e), false, QString()});
        }
        return ticks;
    }
    const double step = niceStep((hi_ - lo_) / 5.0);
    for (double i = std::ceil(lo_ / step - 1e-9); i * step <= hi_ + step * 1e-9; ++i)
        ticks.push_back({i * step, true, tickText(i * step)});
    return ticks;
}

double PlotAxis::valueAt(double pixel, double atLo, double atHi) const
{
    const double f = std::clamp((pixel - atLo) / (atHi - atLo), 0.0, 1.0);
    const double v = from_ + f * (to_ - from_);
    return log_ ? std::pow(10.0, v) : v;
}
