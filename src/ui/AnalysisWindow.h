#pragma once
// AnalysisWindow: a window beside the main window that shows the film's scaling while it grows,
// in four panes: the roughness W(t) of every tick since the last Reset on log-log axes with a
// least-squares fit of its slope beta over a window of ticks (the batch tool's default window,
// or one the user drags along the t axis; a double click goes back to the default) and the
// reference slopes 1/2 and 1/4; the structure factor S(k) of the surface now; the histogram of
// h - <h>; and the surface seen from above in the viridis colour map. Its title names the
// growth model when the film grows with a textbook model.
//
// The main window records every tick here, shown or not (a few numbers per tick). While the
// window is shown, the panes follow the ticks: an update waits until the previous one is at
// least `minimumGapMs` old (and twice as old as it took), so ticks that come faster than the
// panes can be drawn are not slowed down; the latest state is drawn.
#include "analysis/HeightHistogram.h"
#include "analysis/SurfaceAnalysis.h"
#include "i18n/Caption.h"
#include "run/GrowthFit.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class PlotWidget;
class QPushButton;
class QTimer;
class TForm1;

// The roughness of every tick since the last Reset, as the batch tool records a single run:
// entry i belongs to tick i + 1. The logarithms are kept for the fit.
struct GrowthRecord {
    // Ticks beyond this are not recorded (some 40 MB; about three hours at the fastest speed).
    static constexpr int64_t maxTicks = 1'000'000;

    std::vector<double> roughness; // layers
    std::vector<double> deposited; // layers
    std::vector<int32_t> heightOffset;
    std::vector<double> logTick;
    std::vector<double> logRoughness;

    int64_t ticks() const { return static_cast<int64_t>(roughness.size()); }
    bool full() const { return ticks() >= maxTicks; }
    void add(double w, double depositedLayers, int32_t offset);
    void clear();
};

class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    // A window of `form` (closed with it), hidden until shown; it follows the form's ticks
    // and Resets from now on.
    explicit AnalysisWindow(TForm1& form);
    ~AnalysisWindow() override;

    // The texts of the analysis menu and of this window, in the language files under their
    // keys; targets other than "AnalysisWindow" are the main window's menu items.
    static const std::vector<Caption>& captionTable();
    // Sets the text of `key` (a key of the table above that targets this window).
    void setText(const char* key, const QString& text);
    QString text(const char* key) const;

    // --- The state the panes show ---------------------------------------------------------------
    const GrowthRecord& growth() const { return growth_; }
    // The fit of the latest update (ok false with a message when there is none).
    const GrowthFit& fit() const { return fit_; }
    const StructureFactorCurve& structure() const { return structure_; }
    const HeightHistogram& histogram() const { return histogram_; }
    const HeightMoments& moments() const { return moments_; }
    // The ticks since Reset that the panes show.
    int64_t shownTicks() const { return shownTicks_; }
    std::pair<int32_t, int32_t> heightRange() const { return heightRange_; }

    // The fit window the user chose (ticks, first <= last), or the default when nullopt.
    void setFitWindow(std::optional<std::pair<int64_t, int64_t>> ticks);
    std::optional<std::pair<int64_t, int64_t>> fitWindow() const { return userWindow_; }

    // Analyses the lattice now and redraws the panes at once.
    void refreshNow();
    // The four panes as one picture, laid out as on screen.
    QImage picture() const;
    // The W(t) series to `fileName` (CSV as the batch tool's single run), and beside it
    // <base>.sk.csv, <base>.hist.csv and <base>.moments.csv of the surface now, <base> being
    // `fileName` without ".csv". Throws AppError when a file cannot be written.
    void saveData(const QString& fileName);
    // The picture as PNG (BMP or JPEG for those extensions). Throws AppError.
    void savePicture(const QString& fileName);

    static constexpr int minimumGapMs = 20;

    PlotWidget* growthPane;
    PlotWidget* structurePane;
    PlotWidget* histogramPane;
    PlotWidget* mapPane;
    QPushButton* saveDataButton;
    QPushButton* savePictureButton;

signals:
    // The panes were brought up to date (refreshNow ran).
    void refreshed();

public slots:
    // The main window's tick ended with roughness `w` (layers).
    void recordTick(double w);
    // The main window made a new film.
    void restart();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scheduleRefresh();
    // Fits and analyses the state now: the ticks recorded so far and the lattice.
    void analyse();
    // The fit over the ticks shown.
    void fitGrowth();
    void analyseLattice();
    void showGrowth();
    void showSurface();
    void applyTexts();
    // The title, with the name of the film's model when it is not Tessavo's own.
    void showTitle();
    void saveDataClick();
    void savePictureClick();

    TForm1& form_;
    QHash<QString, QString> texts_;
    GrowthRecord growth_;
    GrowthFit fit_;
    StructureFactorCurve structure_;
    HeightHistogram histogram_;
    HeightMoments moments_;
    double width_ = 0.0; // W of the surface now
    QImage map_;
    QImage scale_;
    std::pair<int32_t, int32_t> heightRange_{0, 0};
    int64_t shownTicks_ = 0;
    std::optional<std::pair<int64_t, int64_t>> userWindow_;

    QTimer* refreshTimer_;
    QElapsedTimer clock_;
    qint64 nextAllowedMs_ = 0;
};
