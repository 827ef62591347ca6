#pragma once
// ChartHistory: the roughness of every tick of a film (in layers) for charts drawn on demand in
// either style, as ChartPicture draws them a tick at a time. The values a chart has not drawn
// yet are kept, but never more than about twice `bound`: when that many are waiting, the charts
// already asked for catch up, and of the rest only the last `bound` stay. A style first asked
// for after that is drawn from those last values on the scale of the whole history: the
// scrolling style (1) is then the very picture of the whole film, since it erases all it drew;
// the sweep style (0) may lack traces of older ticks that its eraser leaves.
#include "chart/ChartPicture.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class ChartHistory {
public:
    static constexpr std::size_t defaultBound = std::size_t{1} << 20;

    explicit ChartHistory(std::size_t bound = defaultBound);

    void add(double roughness);
    // The chart of style `style` (0 sweep, 1 scrolling) after the last tick added.
    const QImage& image(int32_t style);
    // The values kept, for checking the bound.
    std::size_t keptValues() const { return values_.size(); }

private:
    struct Chart {
        std::unique_ptr<ChartPicture> picture;
        int64_t drawn = 0; // ticks drawn so far
    };
    void catchUp(Chart& chart);

    std::size_t bound_;
    std::vector<double> values_; // the ticks from first_ on
    int64_t first_ = 0;
    double droppedMax_ = 0.0; // the largest value no longer kept
    std::map<int32_t, Chart> charts_;
};
