// The analysis window: what its panes are given, the fit window and its drag, its captions,
// its exports, and what it leaves alone (the configuration file, the ticks while it is closed).
#include "FormFixture.h"
#include "ScriptedDialogs.h"

#include "analysis/HeightHistogram.h"
#include "analysis/SurfaceAnalysis.h"
#include "files/NumberText.h"
#include "i18n/Caption.h"
#include "run/GrowthFit.h"
#include "ui/AnalysisWindow.h"
#include "ui/PlotWidget.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include <algorithm>
#include <cmath>

namespace {

// The window grown `ticks` ticks by random deposition (no relaxation, 0.1 layers a tick, so
// that W keeps growing), its analysis window open and up to date.
struct Grown : FormFixture {
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    AnalysisWindow* analysis = nullptr;

    explicit Grown(int ticks, bool open = true)
    {
        form->setFileDialogs(&dialogs);
        form->setEditText(form->Edit2, QStringLiteral("0"));
        form->setScrollPosition(form->ScrollBar3, 100);
        form->Button1Click();
        if (open) {
            form->Pokaz1->trigger();
            analysis = form->analysisWindow();
        }
        for (int i = 0; i < ticks; ++i)
            form->Timer1Timer();
        if (analysis)
            analysis->refreshNow();
    }
    HeightView view() const { return heightView(*form->sim->lattice); }
};

QStringList analysisTexts(bool polish)
{
    QStringList texts;
    for (const Caption& c : AnalysisWindow::captionTable())
        texts << QString::fromUtf8(polish ? c.polish : c.english);
    return texts;
}

QStringList shownTexts(TForm1& form)
{
    QStringList texts;
    for (const Caption& c : AnalysisWindow::captionTable()) {
        if (QString::fromLatin1(c.target) == QStringLiteral("AnalysisWindow"))
            texts << form.analysisWindow()->text(c.key);
        else if (auto* menu = form.findChild<QMenu*>(QString::fromLatin1(c.target)))
            texts << menu->title();
        else
            texts << form.findChild<QAction*>(QString::fromLatin1(c.target))->text();
    }
    return texts;
}

QByteArray readAll(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class AnalysisWindowTest : public QObject {
    Q_OBJECT
private slots:
    void panesShowTheCoreAnalysisOfTheLattice();
    void fitWindowFollowsADragAndADoubleClickRestoresIt();
    void captionsSwitchWithTheLanguage();
    void configurationIsTheSameWithTheWindowOpen();
    void closedItOnlyRecordsAndOpenItSkipsRedraws();
    void resetStartsTheSeriesAnew();
    void exportsWriteTheDataAndThePicture();
};

void AnalysisWindowTest::panesShowTheCoreAnalysisOfTheLattice()
{
    Grown g(400);
    AnalysisWindow& a = *g.analysis;
    QVERIFY(a.isVisible());
    const Tablica& lattice = *g.form->sim->lattice;

    // W(t): every tick, the last one the lattice's roughness; the pane has ticks 1 .. 400.
    QCOMPARE(a.growth().ticks(), int64_t(400));
    QCOMPARE(a.growth().roughness.back(), lattice.roughness());
    QCOMPARE(a.growth().deposited.back(), g.form->sim->deposited);
    const auto& w = a.growthPane->series().front().points;
    QCOMPARE(w.front().x(), 1.0);
    QCOMPARE(w.back().x(), 400.0);
    for (const QPointF& p : w)
        QCOMPARE(p.y(), a.growth().roughness[size_t(p.x()) - 1]);

    // The fit is the batch tool's over its default window.
    const GrowthFit batch = GrowthFit::fit(a.growth().roughness, a.growth().deposited);
    QVERIFY2(batch.ok, batch.message.c_str());
    QVERIFY(a.fit().ok);
    QCOMPARE(a.fit().firstTick, batch.firstTick);
    QCOMPARE(a.fit().lastTick, batch.lastTick);
    QVERIFY(std::abs(a.fit().beta - batch.beta) < 1e-9);
    QVERIFY(std::abs(a.fit().error - batch.error) < 1e-9);
    QVERIFY(a.growthPane->notes().front().contains(QString::fromStdString(fixedText(batch.beta, 3))));

    // S(k) and the histogram: the curves the core gives for this lattice.
    const StructureFactorCurve sk = structureFactor(g.view());
    const auto& curve = a.structurePane->series().front().points;
    QCOMPARE(curve.size(), sk.k.size());
    for (size_t i = 0; i < sk.k.size(); ++i)
        QVERIFY(curve[i] == QPointF(sk.k[i], sk.s[i]));
    const HeightHistogram h = heightHistogram(g.view());
    const auto& bars = a.histogramPane->series().front().points;
    QCOMPARE(bars.size(), h.deviation.size());
    for (size_t i = 0; i < bars.size(); ++i)
        QVERIFY(bars[i] == QPointF(h.deviation[i], h.fraction[i]));
    const HeightMoments m = heightMoments(g.view());
    QCOMPARE(a.moments().skewness, m.skewness);
    QCOMPARE(a.moments().excessKurtosis, m.excessKurtosis);

    // The top view's range is the lattice's.
    const auto [lo, hi] = std::minmax_element(lattice.row(0), lattice.row(0) + lattice.width * lattice.height);
    QCOMPARE(a.heightRange(), std::make_pair(*lo, *hi));
}

void AnalysisWindowTest::fitWindowFollowsADragAndADoubleClickRestoresIt()
{
    Grown g(300);
    AnalysisWindow& a = *g.analysis;
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    PlotWidget* pane = a.growthPane;
    const int y = int(pane->plotArea().center().y());
    const QPoint from(int(std::lround(pane->pixelOfX(20))), y);
    const QPoint to(int(std::lround(pane->pixelOfX(250))), y);

    QTest::mousePress(pane, Qt::LeftButton, {}, from);
    QTest::mouseMove(pane, (from + to) / 2);
    const auto halfway = a.fitWindow();
    QTest::mouseMove(pane, to);
    QTest::mouseRelease(pane, Qt::LeftButton, {}, to);

    QVERIFY(halfway);
    QVERIFY(halfway->second < 250);
    const auto chosen = a.fitWindow();
    QVERIFY(chosen);
    // One pixel of a log axis is about a hundredth of t here.
    QVERIFY(std::abs(chosen->first - 20) <= 1);
    QVERIFY(std::abs(chosen->second - 250) <= 4);
    QCOMPARE(a.fit().firstTick, chosen->first);
    QCOMPARE(a.fit().lastTick, chosen->second);
    const GrowthFit over = GrowthFit::over(a.growth().roughness, chosen->first, chosen->second);
    QVERIFY(over.ok);
    QVERIFY(std::abs(a.fit().beta - over.beta) < 1e-9);

    // A click is no drag; the chosen window stays while the film grows; a double click gives it up.
    QTest::mouseClick(pane, Qt::LeftButton, {}, (from + to) / 2);
    QCOMPARE(a.fitWindow(), chosen);
    g.form->Timer1Timer();
    a.refreshNow();
    QCOMPARE(a.fit().lastTick, chosen->second);
    QTest::mouseDClick(pane, Qt::LeftButton, {}, to);
    QVERIFY(!a.fitWindow());
    QCOMPARE(a.fit().firstTick, GrowthFit::fit(a.growth().roughness, a.growth().deposited).firstTick);
}

void AnalysisWindowTest::captionsSwitchWithTheLanguage()
{
    FormFixture f;
    TForm1& w = *f.form;
    AnalysisWindow& a = *w.analysisWindow();
    QCOMPARE(shownTexts(w), analysisTexts(true));
    QCOMPARE(w.Pokaz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_G));

    w.English1->trigger(); // the shipped lang.ini
    QCOMPARE(shownTexts(w), analysisTexts(false));
    QCOMPARE(a.windowTitle(), QStringLiteral("Tessavo — Analysis"));
    QCOMPARE(a.saveDataButton->text(), QStringLiteral("Save data..."));
    QCOMPARE(a.growthPane->title(), QStringLiteral("Roughness W(t)"));
    w.Polski1->trigger();
    QCOMPARE(shownTexts(w), analysisTexts(true));
    QCOMPARE(a.windowTitle(), QStringLiteral("Tessavo — Analiza"));

    // Without the file both choices give the English defaults, as for the other captions.
    w.setLanguageFile(QStringLiteral("/nonexistent/lang.ini"));
    w.Polski1->trigger();
    QCOMPARE(shownTexts(w), analysisTexts(false));
    QVERIFY(f.errors.messages.isEmpty());
}

void AnalysisWindowTest::configurationIsTheSameWithTheWindowOpen()
{
    Grown with(50);
    Grown without(0, false);
    for (Grown* g : {&with, &without}) {
        QVERIFY(g->showAndWait());
        g->form->English1->trigger();
        g->dialogs.saveConfig = g->scratch.path(QStringLiteral("c.ini"));
        g->form->Zapisz1->trigger();
    }
    const QByteArray a = readAll(with.scratch.path(QStringLiteral("c.ini")));
    QVERIFY(!a.isEmpty());
    QCOMPARE(a, readAll(without.scratch.path(QStringLiteral("c.ini"))));
    QCOMPARE(a.mid(a.indexOf("[language1]")).count('\n'), qsizetype(captionTable().size() + 1));
    QVERIFY(!a.contains("analysis"));
}

void AnalysisWindowTest::closedItOnlyRecordsAndOpenItSkipsRedraws()
{
    Grown g(30, false);
    AnalysisWindow& a = *g.form->analysisWindow();
    QSignalSpy refreshes(&a, &AnalysisWindow::refreshed);
    QTest::qWait(2 * AnalysisWindow::minimumGapMs);
    QCOMPARE(refreshes.count(), 0);
    QCOMPARE(a.growth().ticks(), int64_t(30)); // the series since Reset is there when it opens
    QCOMPARE(a.shownTicks(), int64_t(0));

    g.form->Pokaz1->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QTRY_COMPARE(a.shownTicks(), int64_t(30));
    refreshes.clear();
    // Ticks back to back, as at the fastest speed: the panes show the latest state, not each one.
    for (int i = 0; i < 40; ++i) {
        g.form->Timer1Timer();
        QCoreApplication::processEvents();
    }
    QVERIFY(refreshes.count() < 40);
    QTRY_COMPARE(a.shownTicks(), int64_t(70));
}

void AnalysisWindowTest::resetStartsTheSeriesAnew()
{
    Grown g(20);
    AnalysisWindow& a = *g.analysis;
    g.form->Button1->click();
    QCOMPARE(a.growth().ticks(), int64_t(0));
    // Before the panes catch up, a fit window finds no ticks to fit, not the old film's.
    a.setFitWindow(std::pair<int64_t, int64_t>(1, 10));
    QVERIFY(!a.fit().ok);
    a.setFitWindow(std::nullopt);
    QTRY_COMPARE(a.shownTicks(), int64_t(0));
    QVERIFY(!a.fit().ok);
    QCOMPARE(a.heightRange(), std::make_pair(0, 0)); // the fresh lattice is flat
    g.form->Timer1Timer();
    a.refreshNow();
    QCOMPARE(a.growth().ticks(), int64_t(1));
}

void AnalysisWindowTest::exportsWriteTheDataAndThePicture()
{
    Grown g(120);
    AnalysisWindow& a = *g.analysis;
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    g.dialogs.analysisData = g.scratch.path(QStringLiteral("run.csv"));
    g.dialogs.analysisPicture = g.scratch.path(QStringLiteral("panes"));
    a.saveDataButton->click();
    a.savePictureButton->click();
    QVERIFY(g.errors.messages.isEmpty());
    QCOMPARE(g.dialogs.asked, (QStringList{QStringLiteral("analysis data"), QStringLiteral("analysis picture")}));
    QCOMPARE(g.scratch.files(), (QStringList{QStringLiteral("panes.png"), QStringLiteral("run.csv"),
                                    QStringLiteral("run.hist.csv"), QStringLiteral("run.moments.csv"),
                                    QStringLiteral("run.sk.csv")}));

    const QList<QByteArray> w = readAll(g.scratch.path(QStringLiteral("run.csv"))).split('\n');
    QCOMPARE(w.front(), QByteArray("tick,deposited,heightOffset,roughness"));
    QCOMPARE(w.size(), 122); // header, 120 ticks, the empty text after the last newline
    QCOMPARE(w[120].split(',').last().toDouble(), g.form->sim->lattice->roughness());
    // S(k) reads back exactly.
    const StructureFactorCurve sk = structureFactor(g.view());
    const QList<QByteArray> s = readAll(g.scratch.path(QStringLiteral("run.sk.csv"))).split('\n');
    QCOMPARE(s.front(), QByteArray("tick,k,S,modes"));
    QCOMPARE(size_t(s.size()), sk.k.size() + 2);
    for (size_t i = 0; i < sk.k.size(); ++i) {
        const QList<QByteArray> cells = s[qsizetype(i) + 1].split(',');
        QCOMPARE(cells[0].toLongLong(), 120);
        QCOMPARE(cells[1].toDouble(), sk.k[i]);
        QCOMPARE(cells[2].toDouble(), sk.s[i]);
        QCOMPARE(cells[3].toLongLong(), sk.modes[i]);
    }
    int64_t counted = 0;
    const QList<QByteArray> hist = readAll(g.scratch.path(QStringLiteral("run.hist.csv"))).split('\n');
    for (qsizetype i = 1; i + 1 < hist.size(); ++i)
        counted += hist[i].split(',')[3].toLongLong();
    QCOMPARE(counted, g.view().cells());
    QVERIFY(readAll(g.scratch.path(QStringLiteral("run.moments.csv")))
                .startsWith("tick,W,skewness,excess_kurtosis,xi\n120,"));

    const QImage picture(g.scratch.path(QStringLiteral("panes.png")));
    QCOMPARE(picture.size(), a.picture().size());
    QVERIFY(picture.width() > a.growthPane->width() && picture.height() > a.growthPane->height());

    // A file that cannot be written is reported and leaves nothing behind.
    g.dialogs.analysisData = g.scratch.path(QStringLiteral("missing/run.csv"));
    a.saveDataButton->click();
    QCOMPARE(g.errors.messages.size(), 1);
}

QTEST_MAIN(AnalysisWindowTest)
#include "AnalysisWindowTest.moc"
