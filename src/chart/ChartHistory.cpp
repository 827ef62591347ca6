#include "chart/ChartHistory.h"

#include <algorithm>

ChartHistory::ChartHistory(std::size_t bound) : bound_(std::max<std::size_t>(bound, 1)) {}

void ChartHistory::add(double roughness)
{
    values_.push_back(roughness);
    if (values_.size() < 2 * bound_)
        return;
    for (auto& [style, chart] : charts_)
        catchUp(chart);
    const std::size_t dropped = values_.size() - bound_;
    for (std::size_t i = 0; i < dropped; ++i)
        droppedMax_ = std::max(droppedMax_, values_[i]);
    values_.erase(values_.begin(), values_.begin() + static_cast<std::ptrdiff_t>(dropped));
    first_ += static_cast<int64_t>(dropped);
}

const QImage& ChartHistory::image(int32_t style)
{
    Chart& chart = charts_[style];
    if (!chart.picture) {
        chart.picture = std::make_unique<ChartPicture>(style, droppedMax_);
        chart.drawn = first_;
    }
    catchUp(chart);
    return chart.picture->image();
}

void ChartHistory::catchUp(Chart& chart)
{
    const int64_t end = first_ + static_cast<int64_t>(values_.size());
    for (; chart.drawn < end; ++chart.drawn)
        chart.picture->add(values_[static_cast<std::size_t>(chart.drawn - first_)]);
}
