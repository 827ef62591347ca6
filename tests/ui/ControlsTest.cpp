// The panel's controls: speed, zoom, rate, sizes with the square coupling, auto-height,
// conditions and thresholds, the edit boxes, the chart style and the colour menu.
#include "FormFixture.h"

#include "ui/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpontaneKeyEvent>
#include <QTimer>
#include <QWheelEvent>

namespace {

QString localeNumber(QString text)
{
    return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

// A click on the bar's trough right of the slider: one large step up.
void pageRight(QScrollBar* bar)
{
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 20, bar->height() / 2));
}

// One notch of the wheel over the middle of a control, delivered as the window system's
// own events are (spontaneous, so the toolkit's focus and propagation rules apply).
void wheelNotch(QWidget* control)
{
    const QPointF at(control->width() / 2.0, control->height() / 2.0);
    QWheelEvent notch(at, control->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&notch);
    QApplication::instance()->notify(control, &notch);
}

} // namespace

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void speedBarSetsTheIntervalAtOnce();
    void zoomRedrawsTheSurfaceOnly();
    void rateBarShowsAndStoresTheRate();
    void sizeBarResetsOnceWhenUncoupled();
    void tickingSquareCouplesWithTwoResets();
    void coupledBarsFollowEachOther();
    void untickingSquareResetsOnce();
    void conditionsEnableTheirThresholds();
    void comboBoxesStoreOnUserChoiceOnly();
    void relaxationEditReportsEachBadText();
    void maxLayersEditUsesTheLocaleSeparator();
    void chartStyleClearsOnlyThePicture();
    void colourMenuTicksOneAndSurvivesReset();
    void wheelTurnsOnlyTheFocusedControl();
};

void ControlsTest::speedBarSetsTheIntervalAtOnce()
{
    FormFixture f;
    TForm1& w = *f.form;
    for (auto [position, interval] : {std::pair{1, 1000}, std::pair{80, 210}, std::pair{100, 10}}) {
        w.ScrollBar2->setValue(position);
        QCOMPARE(w.Timer1->interval(), interval);
    }
    w.Button2Click();
    w.ScrollBar2->setValue(50);
    QCOMPARE(w.Timer1->interval(), 510);
    QVERIFY(w.Timer1->isActive());
    w.ScrollBar2->setValue(40);
    pageRight(w.ScrollBar2);
    QCOMPARE(w.ScrollBar2->value(), 50);
    QCOMPARE(w.Timer1->interval(), 510);
    w.ScrollBar2->setValue(500); // clamped to the range
    QCOMPARE(w.Timer1->interval(), 10);
}

void ControlsTest::zoomRedrawsTheSurfaceOnly()
{
    FormFixture f;
    TForm1& w = *f.form;
    for (int i = 0; i < 5; ++i)
        w.Timer1Timer();
    const QImage surface = w.surfaceBmp.image();
    const QImage chart = w.chartBmp.image();
    const int inked = inkedPixels(w.surfaceBmp);
    QTest::mouseClick(w.ScrollBar1, Qt::LeftButton, {}, QPoint(w.ScrollBar1->width() - 3, 7)); // arrow: +1
    QCOMPARE(w.cellSize, 8);
    QVERIFY(w.surfaceBmp.image() != surface);
    QVERIFY(inkedPixels(w.surfaceBmp) > inked); // a bigger picture
    QCOMPARE(w.chartBmp.image(), chart);
    QCOMPARE(w.chart->writeIndex, 5);
    w.ScrollBar1->setValue(3);
    QCOMPARE(w.cellSize, 5);
}

void ControlsTest::rateBarShowsAndStoresTheRate()
{
    FormFixture f;
    TForm1& w = *f.form;
    const std::pair<int, const char*> cases[] = {{1, "0.001"}, {123, "0.123"}, {1000, "1"}, {10, "0.01"}};
    for (auto [position, text] : cases) {
        w.ScrollBar3->setValue(position);
        QCOMPARE(w.w_zrzucie_num->text(), localeNumber(QString::fromLatin1(text)));
        QCOMPARE(w.sim->rate, position / 1000.0);
        QVERIFY(w.w_zrzucie_num->width() >= w.w_zrzucie_num->sizeHint().width());
    }
    // Every position gives the double nearest to position / 1000, from the bar and from
    // Reset alike (position x 0.001 misses it for 9, 13, 18, ...).
    for (int position = 1; position <= 1000; ++position) {
        w.ScrollBar3->setValue(position);
        QCOMPARE(w.sim->rate, position / 1000.0);
    }
    for (int position : {9, 13, 18, 999}) {
        w.ScrollBar3->setValue(position);
        w.Button1Click();
        QCOMPARE(w.sim->rate, position / 1000.0);
    }
    w.ScrollBar3->setValue(10);
    pageRight(w.ScrollBar3);
    QCOMPARE(w.sim->rate, 0.02);
    // Reset takes the rate from the bar again.
    w.Button1Click();
    QCOMPARE(w.sim->rate, 0.02);
    QCOMPARE(w.w_zrzucie_num->text(), localeNumber(QStringLiteral("0.02")));
}

void ControlsTest::sizeBarResetsOnceWhenUncoupled()
{
    FormFixture f;
    TForm1& w = *f.form;
    w.Button2Click();
    w.Timer1Timer();
    QSignalSpy resets(&w, &TForm1::simulationReset);
    w.ScrollBar6->setValue(60);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(w.Label1->text(), QStringLiteral("60 x 50"));
    QCOMPARE(w.ScrollBar7->value(), 50);
    QCOMPARE(w.sim->lattice->width, 60);
    QCOMPARE(w.sim->lattice->height, 50);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(0));
    QVERIFY(w.Timer1->isActive()); // the animation goes on with the new lattice
    w.ScrollBar7->setValue(20);
    QCOMPARE(resets.count(), 2);
    QCOMPARE(w.Label1->text(), QStringLiteral("60 x 20"));
    QCOMPARE(w.sim->lattice->height, 20);
    w.ScrollBar7->setValue(20); // no change, no Reset
    QCOMPARE(resets.count(), 2);
    w.Button2Click();
}

void ControlsTest::tickingSquareCouplesWithTwoResets()
{
    FormFixture f;
    TForm1& w = *f.form;
    w.ScrollBar6->setValue(60);
    QSignalSpy resets(&w, &TForm1::simulationReset);
    QTest::mouseClick(w.CheckBox1, Qt::LeftButton);
    QVERIFY(w.CheckBox1->isChecked());
    QCOMPARE(resets.count(), 2);
    QCOMPARE(w.ScrollBar7->value(), 60);
    QCOMPARE(w.Label1->text(), QStringLiteral("60 x 60"));
    QCOMPARE(w.sim->lattice->height, 60);
}

void ControlsTest::coupledBarsFollowEachOther()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::mouseClick(w.CheckBox1, Qt::LeftButton); // equal sizes: one Reset
    QSignalSpy resets(&w, &TForm1::simulationReset);
    pageRight(w.ScrollBar6);
    QCOMPARE(w.ScrollBar6->value(), 60);
    QCOMPARE(w.ScrollBar7->value(), 60);
    QCOMPARE(resets.count(), 2); // the nested handler of the other bar, then its own
    QCOMPARE(w.Label1->text(), QStringLiteral("60 x 60"));
    w.ScrollBar7->setValue(30);
    QCOMPARE(w.ScrollBar6->value(), 30);
    QCOMPARE(resets.count(), 4);
    QCOMPARE(w.sim->lattice->width, 30);
    QCOMPARE(w.sim->lattice->height, 30);
}

void ControlsTest::untickingSquareResetsOnce()
{
    FormFixture f;
    TForm1& w = *f.form;
    QSignalSpy resets(&w, &TForm1::simulationReset);
    QTest::mouseClick(w.CheckBox1, Qt::LeftButton);
    QCOMPARE(resets.count(), 1); // ticking with equal sizes
    for (int i = 0; i < 3; ++i)
        w.Timer1Timer();
    QTest::mouseClick(w.CheckBox1, Qt::LeftButton);
    QVERIFY(!w.CheckBox1->isChecked());
    QCOMPARE(resets.count(), 2);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(0));
    QCOMPARE(w.Label1->text(), QStringLiteral("50 x 50"));
}

void ControlsTest::conditionsEnableTheirThresholds()
{
    FormFixture f;
    TForm1& w = *f.form;
    w.sim->zx = 3;
    w.sim->zy = 0;
    QTest::mouseClick(w.Warunki->button(1), Qt::LeftButton);
    QCOMPARE(w.Warunki->itemIndex(), 1);
    QCOMPARE(w.sim->zmode, 1);
    QVERIFY(!w.ComboBox1->isEnabled());
    QVERIFY(w.ComboBox2->isEnabled());
    QVERIFY(w.ComboBox3->isEnabled());
    QCOMPARE(w.sim->zx, 3); // thresholds are not re-read here
    QCOMPARE(w.sim->zy, 0);

    // Reset keeps the choice and reads the thresholds from the boxes.
    w.Button1Click();
    QCOMPARE(w.sim->zmode, 1);
    QCOMPARE(w.sim->zx, 1);
    QVERIFY(!w.ComboBox1->isEnabled());

    QTest::mouseClick(w.Warunki->button(0), Qt::LeftButton);
    QCOMPARE(w.sim->zmode, 0);
    QVERIFY(w.ComboBox1->isEnabled());
    QVERIFY(!w.ComboBox2->isEnabled());

    // From code: an index that moves to an item runs the handler; -1 does not.
    w.setItemIndex(w.Warunki, 7);
    QCOMPARE(w.Warunki->itemIndex(), 1);
    QCOMPARE(w.sim->zmode, 1);
    w.setItemIndex(w.Warunki, -1);
    QCOMPARE(w.Warunki->itemIndex(), -1);
    QCOMPARE(w.sim->zmode, 1);
    QVERIFY(!w.Warunki->button(0)->isChecked());
    QVERIFY(!w.Warunki->button(1)->isChecked());
}

void ControlsTest::comboBoxesStoreOnUserChoiceOnly()
{
    FormFixture f;
    TForm1& w = *f.form;
    w.setComboIndex(w.ComboBox1, 4);
    QCOMPARE(w.ComboBox1->currentIndex(), 4);
    QCOMPARE(w.sim->z, 2); // no handler for a choice made from code
    w.setComboIndex(w.ComboBox1, 9);
    QCOMPARE(w.ComboBox1->currentIndex(), -1);

    w.setComboIndex(w.ComboBox1, 3);
    QTest::keyClick(w.ComboBox1, Qt::Key_Up);
    QCOMPARE(w.ComboBox1->currentIndex(), 2);
    QCOMPARE(w.sim->z, 2);
    QTest::keyClick(w.ComboBox1, Qt::Key_Down);
    QCOMPARE(w.sim->z, 3);

    QTest::mouseClick(w.Warunki->button(1), Qt::LeftButton);
    w.setComboIndex(w.ComboBox2, 2);
    QTest::keyClick(w.ComboBox3, Qt::Key_Down);
    QCOMPARE(w.ComboBox3->currentIndex(), 2);
    QCOMPARE(w.sim->zx, 2); // either box stores both
    QCOMPARE(w.sim->zy, 2);
    QVERIFY(f.errors.messages.isEmpty());
}

void ControlsTest::relaxationEditReportsEachBadText()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::keyClick(w.Edit2, Qt::Key_End);
    QTest::keyClick(w.Edit2, Qt::Key_Backspace);
    QCOMPARE(w.Edit2->text(), QString());
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'' is not a valid integer value.")});
    QCOMPARE(w.sim->relaxations, 5);
    QTest::keyClicks(w.Edit2, "12");
    QCOMPARE(w.sim->relaxations, 12);
    QCOMPARE(f.errors.messages.size(), 1);
    QTest::keyClicks(w.Edit2, "x");
    QCOMPARE(f.errors.messages.last(), QStringLiteral("'12x' is not a valid integer value."));
    QCOMPARE(w.sim->relaxations, 12);

    // From code: a handler only for a text that differs.
    f.errors.messages.clear();
    w.setEditText(w.Edit2, QStringLiteral(" -3"));
    QCOMPARE(w.sim->relaxations, -3);
    w.setEditText(w.Edit2, QStringLiteral(" -3"));
    QVERIFY(f.errors.messages.isEmpty());
    w.setEditText(w.Edit2, QStringLiteral("4.5"));
    QCOMPARE(w.sim->relaxations, -3);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'4.5' is not a valid integer value.")});
}

void ControlsTest::maxLayersEditUsesTheLocaleSeparator()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::keyClick(w.Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w.Edit1, localeNumber(QStringLiteral("7.5")));
    QCOMPARE(w.sim->maxLayers, 7.5);
    QTest::keyClick(w.Edit1, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.Edit1, Qt::Key_Delete);
    QCOMPARE(f.errors.messages.last(), QStringLiteral("'' is not a valid floating point value."));
    QCOMPARE(w.sim->maxLayers, 7.5);
}

void ControlsTest::chartStyleClearsOnlyThePicture()
{
    FormFixture f;
    TForm1& w = *f.form;
    for (int i = 0; i < 8; ++i)
        w.Timer1Timer();
    const std::vector<double> history = w.chart->values;
    QTest::mouseClick(w.Typwykresu->button(1), Qt::LeftButton);
    QCOMPARE(w.Typwykresu->itemIndex(), 1);
    QCOMPARE(inkedPixels(w.chartBmp), 0);
    QCOMPARE(w.chart->values, history);
    QCOMPARE(w.chart->writeIndex, 8);
    w.Timer1Timer();
    QVERIFY(inkedPixels(w.chartBmp) > 0);
    // Clicking the chosen item again is no change and clears nothing.
    QTest::mouseClick(w.Typwykresu->button(1), Qt::LeftButton);
    QVERIFY(inkedPixels(w.chartBmp) > 0);
}

void ControlsTest::colourMenuTicksOneAndSurvivesReset()
{
    FormFixture f;
    TForm1& w = *f.form;
    QAction* items[] = {w.Zielony1, w.Czerwony1, w.Niebieski1, w.Mieszane1, w.Mieszane2};
    QImage previous = w.surfaceBmp.image();
    for (int chosen : {4, 0, 1, 2, 3}) {
        items[chosen]->trigger();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(items[i]->isChecked(), i == chosen);
        QCOMPARE(w.sim->palette, chosen);
        QVERIFY(w.surfaceBmp.image() != previous); // redrawn at once in the new colours
        previous = w.surfaceBmp.image();
    }
    w.Mieszane2->trigger();
    w.Mieszane2->trigger(); // choosing the ticked item keeps it ticked
    QVERIFY(w.Mieszane2->isChecked());
    QTest::mouseClick(w.Button1, Qt::LeftButton);
    QCOMPARE(w.sim->palette, 4);
    w.Czerwony1->trigger();
    w.Button1Click();
    QCOMPARE(w.sim->palette, 1);
}

void ControlsTest::wheelTurnsOnlyTheFocusedControl()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    for (int i = 0; i < 5; ++i)
        w.Timer1Timer();
    const Symulacja* grown = w.sim.get();
    const std::vector<int32_t> film = heights(*grown->lattice);
    w.Edit1->setFocus();

    // Unfocused: neither the sizes nor the film change, and the wheel takes no focus.
    for (QWidget* control : {static_cast<QWidget*>(w.ScrollBar6), static_cast<QWidget*>(w.ScrollBar7),
             static_cast<QWidget*>(w.ComboBox1)})
        wheelNotch(control);
    QCOMPARE(w.ScrollBar6->value(), 50);
    QCOMPARE(w.ScrollBar7->value(), 50);
    QCOMPARE(w.ComboBox1->currentIndex(), 2);
    QCOMPARE(w.sim.get(), grown);
    QCOMPARE(heights(*w.sim->lattice), film);
    QVERIFY(w.Edit1->hasFocus());

    // Focused: the bar moves and its handling runs.
    w.ScrollBar6->setFocus();
    wheelNotch(w.ScrollBar6);
    QVERIFY(w.ScrollBar6->value() != 50);
    QCOMPARE(w.sim->sizeX, w.ScrollBar6->value());
    w.ComboBox1->setFocus();
    wheelNotch(w.ComboBox1);
    QVERIFY(w.ComboBox1->currentIndex() != 2);
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
