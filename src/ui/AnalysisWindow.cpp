#include "ui/AnalysisWindow.h"

#include "files/NumberText.h"
#include "files/OutputFile.h"
#include "files/PictureFile.h"
#include "run/ResultTables.h"
#include "model/AppError.h"
#include "ui/PlotWidget.h"
#include "ui/TForm1.h"
#include "ui/WindowFont.h"
#include "view/HeightMap.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QRegion>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <span>

namespace {

constexpr const char* windowTarget = "AnalysisWindow";

const QColor dataColour(31, 119, 180);
const QColor fitColour(214, 39, 40);
const QColor referenceColour(100, 100, 100);

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QString shortNumber(double v)
{
    return QString::number(v, 'g', 4);
}

// The ticks 1, 2, ..., then about a hundred per decade, and the last: what a log axis can
// show apart, whatever the length of the series.
std::vector<int64_t> ticksToDraw(int64_t ticks)
{
    std::vector<int64_t> chosen;
    int64_t last = 0;
    for (int k = 0;; ++k) {
        const auto t = static_cast<int64_t>(std::ceil(std::pow(10.0, k / 100.0) - 1e-9));
        if (t > ticks)
            break;
        if (t > last)
            chosen.push_back(last = t);
    }
    if (last < ticks)
        chosen.push_back(ticks);
    return chosen;
}

} // namespace

void GrowthRecord::add(double w, double depositedLayers, int32_t offset)
{
    if (full())
        return;
    roughness.push_back(w);
    deposited.push_back(depositedLayers);
    heightOffset.push_back(offset);
    logTick.push_back(std::log(static_cast<double>(ticks())));
    logRoughness.push_back(std::log(w));
}

void GrowthRecord::clear()
{
    roughness.clear();
    deposited.clear();
    heightOffset.clear();
    logTick.clear();
    logRoughness.clear();
}

const std::vector<Caption>& AnalysisWindow::captionTable()
{
    static const std::vector<Caption> table = {
        {"analysis", "Analiza1", -1, "&Analiza", "&Analysis"},
        {"analysisshow", "Pokaz1", -1, "&Pokaż...", "&Show..."},
        {"analysistitle", windowTarget, -1, "Tessavo — Analiza", "Tessavo — Analysis"},
        {"savedata", windowTarget, -1, "Zapisz dane...", "Save data..."},
        {"savechart", windowTarget, -1, "Zapisz obraz...", "Save picture..."},
        {"panegrowth", windowTarget, -1, "Chropowatość W(t)", "Roughness W(t)"},
        {"panesk", windowTarget, -1, "Czynnik struktury S(k)", "Structure factor S(k)"},
        {"panehist", windowTarget, -1, "Rozkład wysokości", "Distribution of heights"},
        {"panemap", windowTarget, -1, "Widok z góry", "Top view"},
        {"ticks", windowTarget, -1, "t (kroki)", "t (ticks)"},
        {"fraction", windowTarget, -1, "udział", "fraction"},
        {"nofit", windowTarget, -1, "brak dopasowania", "no fit"},
        {"skewness", windowTarget, -1, "skośność", "skewness"},
        {"kurtosis", windowTarget, -1, "eksces", "excess kurtosis"},
    };
    return table;
}

AnalysisWindow::AnalysisWindow(TForm1& form) : QWidget(&form, Qt::Window), form_(form)
{
    setObjectName(QString::fromLatin1(windowTarget));
    setFont(windowFont());
    for (const Caption& c : captionTable())
        texts_.insert(QString::fromLatin1(c.key), utf8(c.polish));

    growthPane = new PlotWidget(this);
    structurePane = new PlotWidget(this);
    histogramPane = new PlotWidget(this);
    mapPane = new PlotWidget(this);
    growthPane->setLogAxes(true, true);
    structurePane->setLogAxes(true, true);
    saveDataButton = new QPushButton(this);
    savePictureButton = new QPushButton(this);

    auto* panes = new QGridLayout;
    panes->setSpacing(4);
    panes->addWidget(growthPane, 0, 0);
    panes->addWidget(structurePane, 0, 1);
    panes->addWidget(histogramPane, 1, 0);
    panes->addWidget(mapPane, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveDataButton);
    buttons->addWidget(savePictureButton);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->addLayout(panes, 1);
    column->addLayout(buttons);
    resize(820, 640);

    // The viridis scale beside the top view: one pixel per step of the colour map.
    std::vector<int32_t> levels(256);
    for (int32_t i = 0; i < 256; ++i)
        levels[static_cast<size_t>(i)] = i;
    scale_ = heightMap(levels.data(), 1, 256).image;

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    connect(refreshTimer_, &QTimer::timeout, this, &AnalysisWindow::refreshNow);
    clock_.start();

    connect(&form, &TForm1::ticked, this, &AnalysisWindow::recordTick);
    connect(&form, &TForm1::simulationReset, this, &AnalysisWindow::restart);
    connect(growthPane, &PlotWidget::xRangeChosen, this, [this](double from, double to) {
        setFitWindow(std::pair<int64_t, int64_t>(std::max<int64_t>(1, std::llround(from)), std::llround(to)));
    });
    connect(growthPane, &PlotWidget::xRangeCleared, this, [this] { setFitWindow(std::nullopt); });
    connect(saveDataButton, &QPushButton::clicked, this, &AnalysisWindow::saveDataClick);
    connect(savePictureButton, &QPushButton::clicked, this, &AnalysisWindow::savePictureClick);

    applyTexts();
}

AnalysisWindow::~AnalysisWindow() = default;

void AnalysisWindow::setText(const char* key, const QString& text)
{
    texts_.insert(QString::fromLatin1(key), text);
    applyTexts();
}

QString AnalysisWindow::text(const char* key) const
{
    return texts_.value(QString::fromLatin1(key));
}

void AnalysisWindow::applyTexts()
{
    showTitle();
    saveDataButton->setText(text("savedata"));
    savePictureButton->setText(text("savechart"));
    growthPane->setTitle(text("panegrowth"));
    growthPane->setAxisLabels(text("ticks"), QStringLiteral("W"));
    structurePane->setTitle(text("panesk"));
    structurePane->setAxisLabels(QStringLiteral("k"), QStringLiteral("S(k)"));
    histogramPane->setTitle(text("panehist"));
    histogramPane->setAxisLabels(QStringLiteral("h - <h>"), text("fraction"));
    mapPane->setTitle(text("panemap"));
    showGrowth();
    showSurface();
}

// --- Following the main window ------------------------------------------------------------------

void AnalysisWindow::recordTick(double w)
{
    const Symulacja& sim = *form_.sim;
    growth_.add(w, sim.deposited, sim.heightOffset);
    scheduleRefresh();
}

void AnalysisWindow::showTitle()
{
    // A textbook model is named after the title; Tessavo's own is the one the title names.
    const GrowthModel model = form_.sim ? form_.sim->model : form_.checkedModel();
    setWindowTitle(model == GrowthModel::Tessavo ? text("analysistitle")
                                                 : text("analysistitle") + QStringLiteral(" — ") + form_.modelCaption(model));
}

void AnalysisWindow::restart()
{
    growth_.clear();
    showTitle(); // a new film may grow with another model
    // After the handler that reset: a layer file is loaded into the new lattice by then.
    scheduleRefresh();
}

void AnalysisWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    nextAllowedMs_ = 0;
    scheduleRefresh();
}

void AnalysisWindow::scheduleRefresh()
{
    if (!isVisible() || refreshTimer_->isActive())
        return;
    refreshTimer_->start(static_cast<int>(std::max<qint64>(0, nextAllowedMs_ - clock_.elapsed())));
}

void AnalysisWindow::refreshNow()
{
    refreshTimer_->stop();
    const qint64 start = clock_.elapsed();
    analyse();
    showGrowth();
    showSurface();
    if (isVisible()) {
        // All four panes in one paint, put on screen once.
        QRegion panes;
        for (PlotWidget* pane : {growthPane, structurePane, histogramPane, mapPane})
            panes += pane->geometry();
        repaint(panes);
    }
    const qint64 now = clock_.elapsed();
    nextAllowedMs_ = now + std::max<qint64>(minimumGapMs, 2 * (now - start));
    emit refreshed();
}

void AnalysisWindow::setFitWindow(std::optional<std::pair<int64_t, int64_t>> ticks)
{
    if (ticks && ticks->first > ticks->second)
        std::swap(ticks->first, ticks->second);
    userWindow_ = ticks;
    fitGrowth();
    showGrowth();
}

// --- Analysis -------------------------------------------------------------------------------------

void AnalysisWindow::analyse()
{
    shownTicks_ = growth_.ticks();
    fitGrowth();
    analyseLattice();
}

void AnalysisWindow::fitGrowth()
{
    // The batch tool's fit over the ticks shown (a Reset may have cleared the record since),
    // from the logarithms kept per tick.
    const auto shown = static_cast<size_t>(std::min(shownTicks_, growth_.ticks()));
    const GrowthFit::Logs logs{std::span<const double>(growth_.logTick).first(shown),
                               std::span<const double>(growth_.logRoughness).first(shown)};
    std::optional<GrowthFit::TickRange> window;
    if (userWindow_)
        window = GrowthFit::TickRange(std::max<int64_t>(1, userWindow_->first),
                                      std::min(userWindow_->second, static_cast<int64_t>(shown)));
    fit_ = GrowthFit::of(std::span<const double>(growth_.roughness).first(shown),
                         std::span<const double>(growth_.deposited).first(shown), window, &logs);
}

void AnalysisWindow::analyseLattice()
{
    const Tablica* lattice = form_.sim ? form_.sim->lattice.get() : nullptr;
    if (!lattice || lattice->empty()) {
        structure_ = {};
        histogram_ = {};
        moments_ = {};
        map_ = QImage();
        return;
    }
    const HeightView view = heightView(*lattice);
    structure_ = structureFactor(view); // the transform's plan is made once per size
    histogram_ = heightHistogram(view);
    moments_ = heightMoments(view);
    width_ = lattice->roughness();
    const HeightMap map = heightMap(view.heights, view.rows, view.cols);
    map_ = map.image;
    heightRange_ = {map.min, map.max};
}

// --- The panes ------------------------------------------------------------------------------------

void AnalysisWindow::showGrowth()
{
    const int64_t ticks = std::min(shownTicks_, growth_.ticks());
    std::vector<PlotWidget::Series> series;
    PlotWidget::Series points{{}, PlotWidget::Style::Points, dataColour, QString(), 0.0};
    for (int64_t t : ticksToDraw(ticks))
        points.points.emplace_back(static_cast<double>(t), growth_.roughness[static_cast<size_t>(t - 1)]);

    QStringList notes;
    std::optional<std::pair<double, double>> band;
    QPointF anchor(0, 0);
    if (fit_.ok) {
        auto lineAt = [this](double t) { return std::exp(fit_.intercept + fit_.beta * std::log(t)); };
        const double a = static_cast<double>(fit_.firstTick), b = static_cast<double>(fit_.lastTick);
        series.push_back({{QPointF(a, lineAt(a)), QPointF(b, lineAt(b))}, PlotWidget::Style::Line, fitColour,
            QString(), 0.0, true});
        anchor = QPointF(a, lineAt(a));
        band = std::pair<double, double>(a, b);
        notes << QStringLiteral("β = %1 ± %2")
                     .arg(QString::fromStdString(fixedText(fit_.beta, 3)), QString::fromStdString(fixedText(fit_.error, 3)))
              << QStringLiteral("t = %1..%2").arg(fit_.firstTick).arg(fit_.lastTick);
    } else {
        if (userWindow_)
            band = std::pair<double, double>(double(userWindow_->first), double(userWindow_->second));
        for (const QPointF& p : points.points)
            if (p.y() > 0) {
                anchor = p;
                break;
            }
        notes << QStringLiteral("β: ") + text("nofit");
    }
    growthPane->setToolTip(fit_.ok ? QString() : QString::fromStdString(fit_.message));
    if (growth_.full())
        notes << QStringLiteral("t ≤ %1").arg(GrowthRecord::maxTicks);

    // Random deposition's slope and the slope 1/4 beside the data, from where the fit starts.
    const double end = static_cast<double>(ticks);
    if (anchor.y() > 0 && end > anchor.x())
        for (const auto& [slope, label] : {std::pair(0.5, "1/2"), std::pair(0.25, "1/4")})
            series.push_back({{anchor, QPointF(end, anchor.y() * std::pow(end / anchor.x(), slope))},
                PlotWidget::Style::Dotted, referenceColour, QString::fromLatin1(label), 0.0});
    series.insert(series.begin(), std::move(points));
    growthPane->setSeries(std::move(series));
    growthPane->setBand(band);
    growthPane->setNotes(notes);
}

void AnalysisWindow::showSurface()
{
    PlotWidget::Series curve{{}, PlotWidget::Style::Line, dataColour, QString(), 0.0};
    for (size_t i = 0; i < structure_.k.size(); ++i)
        curve.points.emplace_back(structure_.k[i], structure_.s[i]);
    PlotWidget::Series marks = curve;
    marks.style = PlotWidget::Style::Points;
    structurePane->setSeries({std::move(curve), std::move(marks)});

    PlotWidget::Series bars{{}, PlotWidget::Style::Bars, QColor(120, 170, 210), QString(),
        static_cast<double>(histogram_.binWidth)};
    for (size_t i = 0; i < histogram_.deviation.size(); ++i)
        bars.points.emplace_back(histogram_.deviation[i], histogram_.fraction[i]);
    histogramPane->setSeries({std::move(bars)});
    auto momentText = [](const std::optional<double>& v) { return v ? shortNumber(*v) : QStringLiteral("–"); };
    histogramPane->setNotes({QStringLiteral("W = %1").arg(shortNumber(width_)),
        text("skewness") + QStringLiteral(" = ") + momentText(moments_.skewness),
        text("kurtosis") + QStringLiteral(" = ") + momentText(moments_.excessKurtosis)});

    mapPane->setPicture(map_, scale_, QString::number(heightRange_.first), QString::number(heightRange_.second));
}

// --- Export ---------------------------------------------------------------------------------------

QImage AnalysisWindow::picture() const
{
    const PlotWidget* panes[] = {growthPane, structurePane, histogramPane, mapPane};
    QRect area;
    for (const PlotWidget* pane : panes)
        area |= pane->geometry();
    const bool laidOut = growthPane->width() >= 100 && growthPane->height() >= 100;
    const QSize paneSize(400, 300);
    QImage image(laidOut ? area.size() : QSize(2 * paneSize.width(), 2 * paneSize.height()), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < 4; ++i) {
        const QRect target = laidOut ? panes[i]->geometry().translated(-area.topLeft())
                                     : QRect(QPoint((i % 2) * paneSize.width(), (i / 2) * paneSize.height()), paneSize);
        panes[i]->render(painter, QRectF(target));
    }
    return image;
}

void AnalysisWindow::saveData(const QString& fileName)
{
    refreshNow(); // the files hold the film as it is now, as the panes then show it
    const std::string path = fileName.toStdString();
    std::string base = path;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".csv") == 0)
        base.resize(base.size() - 4);
    const std::string names[] = {path, base + ".sk.csv", base + ".hist.csv", base + ".moments.csv"};
    for (const std::string& name : names)
        OutputFile::checkWritable(name);

    // W(t) as the batch tool's single run; S(k) and the moments in its --analysis formats (one
    // analysed tick).
    using namespace ResultTables;
    std::string texts[4];
    std::string& w = texts[0];
    w = runHeader;
    for (int64_t i = 0; i < shownTicks_; ++i) {
        const auto k = static_cast<size_t>(i);
        w += runLine(i + 1, growth_.deposited[k], growth_.heightOffset[k], growth_.roughness[k]);
    }
    texts[1] = analysisHeader(AnalysisTable::Sk, false) + structureFactorLines(shownTicks_, structure_);
    texts[2] = histogramHeader + histogramLines(histogram_);
    const Tablica* lattice = form_.sim ? form_.sim->lattice.get() : nullptr;
    const std::optional<double> xi
        = lattice && !lattice->empty() ? correlation(heightView(*lattice)).length : std::optional<double>();
    texts[3] = analysisHeader(AnalysisTable::Moments, false) + momentsLine(shownTicks_, width_, moments_, xi);

    for (int i = 0; i < 4; ++i) {
        OutputFile file(names[i]);
        file.write(texts[i]);
        file.commit();
    }
}

void AnalysisWindow::savePicture(const QString& fileName)
{
    std::string name = fileName.toStdString();
    const std::string extension = fileExtension(name);
    if (extension != ".bmp" && extension != ".jpg" && extension != ".png")
        name += ".png";
    ::savePicture(picture(), name, everyPictureFormat);
}

void AnalysisWindow::saveDataClick()
{
    try {
        const QString name = form_.fileDialogs().saveAnalysisData();
        if (!name.isEmpty())
            saveData(name);
    } catch (...) {
        form_.reporter().report(std::current_exception());
    }
}

void AnalysisWindow::savePictureClick()
{
    try {
        const QString name = form_.fileDialogs().saveAnalysisPicture();
        if (!name.isEmpty())
            savePicture(name);
    } catch (...) {
        form_.reporter().report(std::current_exception());
    }
}
