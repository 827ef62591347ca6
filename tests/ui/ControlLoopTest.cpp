// Reset, Start/Stop, the animation tick and repainting.
#include "FormFixture.h"

#include "ui/ClientArea.h"
#include "ui/RadioGroup.h"
#include "run/FilmRun.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

#include <vector>

class ControlLoopTest : public QObject {
    Q_OBJECT
private slots:
    void ticksGrowTheFilmAndTheChart();
    void windowTicksAsTheBatchToolDoes();
    void startButtonRunsTheTimerAndStopsIt();
    void growthStopsAtMaxLayersButTicksGoOn();
    void autoHeightMovesRemovedLayersToTheOffset();
    void resetWhileRunningGoesOnWithANewSimulation();
    void resetWhileStoppedRedrawsTheSurfaceOnly();
    void badNumbersStopResetAndKeepTheOldSimulation();
    void paintRedrawsWithoutAdvancing();
};

void ControlLoopTest::ticksGrowTheFilmAndTheChart()
{
    FormFixture f;
    TForm1& w = *f.form;
    const QImage flat = w.surfaceBmp.image();
    const QImage emptyChart = w.chartBmp.image();
    for (int i = 0; i < 10; ++i)
        w.Timer1Timer();
    // 25 particles per tick on 50 x 50 at rate 0.01; relaxation moves but never removes them.
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(250));
    QVERIFY(qAbs(w.sim->deposited - 0.1) < 1e-12);
    QCOMPARE(w.chart->writeIndex, 10);
    QVERIFY(w.chart->values[9] > 0.0);
    QCOMPARE(w.chart->values[9], w.sim->lattice->roughness());
    QVERIFY(w.surfaceBmp.image() != flat);
    QVERIFY(w.chartBmp.image() != emptyChart);
    QCOMPARE(w.drawX, w.originX);
    QCOMPARE(w.drawY, w.originY);
    QVERIFY(f.errors.messages.isEmpty());
}

void ControlLoopTest::windowTicksAsTheBatchToolDoes()
{
    // The window and the batch tool grow a film through the same tick: with the same seed and
    // settings, the lattice and every chart value agree after many ticks (auto-height on, so
    // the removed layers move the same way too).
    FormFixture f;
    TForm1& w = *f.form;
    w.ScrollBar6->setValue(23);
    w.ScrollBar7->setValue(17);
    w.ScrollBar3->setValue(400);
    w.CheckBox2->setChecked(true);
    w.Edit2->setText(QStringLiteral("3"));
    w.Button1Click();
    w.sim->rng->seed(4242);

    FilmSetup setup;
    setup.scenario = windowDefaults();
    setup.scenario.sizeX = 23;
    setup.scenario.sizeY = 17;
    setup.scenario.ratePosition = 400;
    setup.scenario.relaxations = 3;
    setup.autoHeight = true;
    FilmRun batch(setup, 4242);

    const int ticks = 60;
    std::vector<double> batchValues;
    for (int i = 0; i < ticks; ++i) {
        w.Timer1Timer();
        batchValues.push_back(batch.tick());
    }
    QCOMPARE(heights(*w.sim->lattice), heights(*batch.simulation().lattice));
    QVERIFY(w.sim->heightOffset > 0);
    QCOMPARE(w.sim->heightOffset, batch.simulation().heightOffset);
    QCOMPARE(w.sim->deposited, batch.simulation().deposited);
    const std::vector<double> shown(w.chart->values.begin(), w.chart->values.begin() + ticks);
    QCOMPARE(shown, batchValues);
}

void ControlLoopTest::startButtonRunsTheTimerAndStopsIt()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    w.ScrollBar2->setValue(100); // 10 ms ticks
    QTest::mouseClick(w.Button2, Qt::LeftButton);
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Button2->text(), QStringLiteral("Stop"));
    QTRY_VERIFY_WITH_TIMEOUT(w.chart->writeIndex >= 3, 10000);
    QVERIFY(totalHeight(*w.sim->lattice) >= 75);
    // The window shows the picture of the last tick.
    const QImage onScreen = f.onScreen(QRect(10, 10, 600, 400));
    QCOMPARE(onScreen, w.surfaceBmp.image());

    QTest::mouseClick(w.Button2, Qt::LeftButton);
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.Button2->text(), QStringLiteral("Start"));
    const int ticks = w.chart->writeIndex;
    QTest::qWait(50);
    QCOMPARE(w.chart->writeIndex, ticks);
}

void ControlLoopTest::growthStopsAtMaxLayersButTicksGoOn()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::keyClick(w.Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w.Edit1, "0.03");
    QCOMPARE(w.sim->maxLayers, 0.03);
    for (int i = 0; i < 3; ++i)
        w.Timer1Timer();
    const std::vector<int32_t> full = heights(*w.sim->lattice);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(75));
    const double roughness = w.sim->lattice->roughness();
    for (int i = 0; i < 4; ++i)
        w.Timer1Timer();
    QCOMPARE(heights(*w.sim->lattice), full);
    QCOMPARE(w.chart->writeIndex, 7);
    for (int i = 3; i < 7; ++i)
        QCOMPARE(w.chart->values[i], roughness);
}

void ControlLoopTest::autoHeightMovesRemovedLayersToTheOffset()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::mouseClick(w.CheckBox2, Qt::LeftButton);
    QVERIFY(w.autoHeight);
    w.ScrollBar3->setValue(1000); // a whole layer per tick
    QCOMPARE(w.sim->rate, 1.0);
    int ticks = 0;
    while (w.sim->heightOffset == 0 && ticks < 200) {
        w.Timer1Timer();
        ++ticks;
    }
    QVERIFY(w.sim->heightOffset > 0);
    // What is removed from the lattice leaves `deposited` and is counted in the offset.
    QCOMPARE(w.sim->lattice->minHeight(), 0);
    QVERIFY(qAbs(w.sim->deposited + w.sim->heightOffset - ticks) < 1e-9);
    QCOMPARE(totalHeight(*w.sim->lattice) + int64_t(w.sim->heightOffset) * 2500, int64_t(ticks) * 2500);

    // Unticked, nothing more is removed.
    QTest::mouseClick(w.CheckBox2, Qt::LeftButton);
    QVERIFY(!w.autoHeight);
    const int32_t offset = w.sim->heightOffset;
    for (int i = 0; i < 20; ++i)
        w.Timer1Timer();
    QCOMPARE(w.sim->heightOffset, offset);
}

void ControlLoopTest::resetWhileRunningGoesOnWithANewSimulation()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::mouseClick(w.Button2, Qt::LeftButton);
    for (int i = 0; i < 5; ++i)
        w.Timer1Timer();
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QVERIFY(w.Timer1->isActive());
    QCOMPARE(w.Button2->text(), QStringLiteral("Stop"));
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(0));
    QCOMPARE(w.sim->deposited, 0.0);
    QCOMPARE(w.chart->writeIndex, 0);
    QCOMPARE(inkedPixels(w.chartBmp), 0); // the chart picture is cleared
    w.Timer1Timer();
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(25));
    QCOMPARE(w.chart->writeIndex, 1);
    w.Button2Click();
}

void ControlLoopTest::resetWhileStoppedRedrawsTheSurfaceOnly()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    for (int i = 0; i < 30; ++i)
        w.Timer1Timer();
    const QImage chartBefore = f.onScreen(visibleChart);
    w.Button1Click();
    const QImage surface = f.onScreen(QRect(10, 10, 600, 400));
    QCOMPARE(surface, w.surfaceBmp.image());
    // The window's chart area keeps its picture until the next tick or paint.
    QCOMPARE(f.onScreen(visibleChart), chartBefore);
    QCOMPARE(inkedPixels(w.chartBmp), 0);
}

void ControlLoopTest::badNumbersStopResetAndKeepTheOldSimulation()
{
    FormFixture f;
    TForm1& w = *f.form;
    for (int i = 0; i < 4; ++i)
        w.Timer1Timer();
    const Symulacja* before = w.sim.get();
    const Wykres* chartBefore = w.chart.get();

    QTest::keyClick(w.Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w.Edit1, "abc");
    // Typing gave one message per invalid text: "a", "ab", "abc".
    QCOMPARE(f.errors.messages.size(), 3);
    f.errors.messages.clear();
    w.ScrollBar6->blockSignals(true);
    w.ScrollBar6->setValue(30);
    w.ScrollBar6->blockSignals(false);

    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'abc' is not a valid floating point value.")});
    QCOMPARE(w.sim.get(), before);
    QCOMPARE(w.chart.get(), chartBefore);
    QCOMPARE(w.sim->sizeX, 50);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(100));
    QCOMPARE(w.chart->writeIndex, 4);
    // The old simulation still runs.
    w.Timer1Timer();
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(125));

    // A bad relaxation count is reported first, in the integer words.
    f.errors.messages.clear();
    w.Edit2->setText(QStringLiteral("x5"));
    f.errors.messages.clear();
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'x5' is not a valid integer value.")});
    QCOMPARE(w.sim.get(), before);
}

void ControlLoopTest::paintRedrawsWithoutAdvancing()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    for (int i = 0; i < 6; ++i)
        w.Timer1Timer();
    w.TypwykresuClick(); // clears the chart picture
    QCOMPARE(inkedPixels(w.chartBmp), 0);
    const std::vector<int32_t> before = heights(*w.sim->lattice);
    const QImage surface = w.surfaceBmp.image();

    w.client->repaint(); // a paint the window system asks for
    QCOMPARE(heights(*w.sim->lattice), before);
    QCOMPARE(w.chart->writeIndex, 6);
    QCOMPARE(w.sim->deposited, 0.06);
    QCOMPARE(w.surfaceBmp.image(), surface);
    QVERIFY(inkedPixels(w.chartBmp) > 0); // the history is drawn again
    QCOMPARE(f.onScreen(visibleChart),
        w.chartBmp.image().copy(visibleChart.translated(-10, -420)));
}

QTEST_MAIN(ControlLoopTest)
#include "ControlLoopTest.moc"
