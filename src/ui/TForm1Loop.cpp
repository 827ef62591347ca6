// TForm1: the control loop (creation, Reset, Start/Stop, the tick, repainting, destruction)
// and the way toolkit events reach the handlers.
#include "ui/TForm1.h"

#include "model/Convert.h"
#include "model/SettingsTable.h"
#include "ui/ClientArea.h"
#include "ui/LocaleText.h"
#include "ui/RadioGroup.h"
#include "ui/TAboutBox.h"
#include "view/SurfaceRenderer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdint>

// --- Handler plumbing -------------------------------------------------------------------------

void TForm1::guarded(const std::function<void()>& handler)
{
    if (handlerDepth_ > 0) {
        // Started by a control that another handler is setting: the error belongs to that
        // handler, which gets it back from the setter (rethrowPending).
        ++handlerDepth_;
        try {
            handler();
        } catch (...) {
            if (!pending_)
                pending_ = std::current_exception();
        }
        --handlerDepth_;
        return;
    }

    std::exception_ptr error;
    ++handlerDepth_;
    try {
        handler();
        rethrowPending();
    } catch (...) {
        error = std::current_exception();
    }
    --handlerDepth_;
    pending_ = nullptr;
    if (!error)
        return;
    if (inSystemPaint_) {
        // No modal box inside a paint event: show it once the paint is over.
        QMetaObject::invokeMethod(this, [this, error] { reporter_->report(error); }, Qt::QueuedConnection);
        return;
    }
    reporter_->report(error);
}

void TForm1::rethrowPending()
{
    if (pending_) {
        std::exception_ptr error = pending_;
        pending_ = nullptr;
        std::rethrow_exception(error);
    }
}

void TForm1::runModal(const std::function<void()>& body)
{
    const int depth = handlerDepth_;
    const std::exception_ptr pending = pending_;
    handlerDepth_ = 0;
    pending_ = nullptr;
    struct Restore {
        TForm1* form;
        int depth;
        std::exception_ptr pending;
        ~Restore()
        {
            form->handlerDepth_ = depth;
            form->pending_ = pending;
        }
    } restore{this, depth, pending};
    body();
}

void TForm1::setScrollPosition(QScrollBar* bar, int position)
{
    bar->setValue(position); // clamped by the bar; valueChanged only on a real change
    rethrowPending();
}

void TForm1::setChecked(QCheckBox* box, bool checked)
{
    box->setChecked(checked);
    rethrowPending();
}

void TForm1::setItemIndex(RadioGroup* group, int index)
{
    group->setItemIndex(index);
    rethrowPending();
}

void TForm1::setComboIndex(QComboBox* box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

void TForm1::setEditText(QLineEdit* edit, const QString& text)
{
    if (edit->text() != text)
        edit->setText(text);
    rethrowPending();
}

void TForm1::connectHandlers()
{
    auto on = [this](void (TForm1::*handler)()) {
        return [this, handler] { guarded([this, handler] { (this->*handler)(); }); };
    };

    connect(Button1, &QPushButton::clicked, this, on(&TForm1::Button1Click));
    connect(Button2, &QPushButton::clicked, this, on(&TForm1::Button2Click));
    connect(Timer1, &QTimer::timeout, this, on(&TForm1::Timer1Timer));

    connect(ScrollBar1, &QScrollBar::valueChanged, this, on(&TForm1::ScrollBar1Change));
    connect(ScrollBar2, &QScrollBar::valueChanged, this, on(&TForm1::ScrollBar2Change));
    connect(ScrollBar3, &QScrollBar::valueChanged, this, on(&TForm1::ScrollBar3Change));
    connect(ScrollBar6, &QScrollBar::valueChanged, this, on(&TForm1::ScrollBar6Change));
    connect(ScrollBar7, &QScrollBar::valueChanged, this, on(&TForm1::ScrollBar7Change));
    connect(CheckBox1, &QCheckBox::toggled, this, on(&TForm1::CheckBox1Click));
    connect(CheckBox2, &QCheckBox::toggled, this, on(&TForm1::CheckBox2Click));
    // Combo boxes answer the user's choice only.
    connect(ComboBox1, &QComboBox::activated, this, on(&TForm1::ComboBox1Change));
    connect(ComboBox2, &QComboBox::activated, this, on(&TForm1::ComboBox2Change));
    connect(ComboBox3, &QComboBox::activated, this, on(&TForm1::ComboBox3Change));
    connect(Warunki, &RadioGroup::clicked, this, on(&TForm1::WarunkiClick));
    connect(Typwykresu, &RadioGroup::clicked, this, on(&TForm1::TypwykresuClick));
    connect(Edit1, &QLineEdit::textChanged, this, on(&TForm1::Edit1Change));
    connect(Edit2, &QLineEdit::textChanged, this, on(&TForm1::Edit2Change));

    connect(Otwrz1, &QAction::triggered, this, on(&TForm1::Otwrz1Click));
    connect(Zapiszobraz1, &QAction::triggered, this, on(&TForm1::Zapiszobraz1Click));
    connect(Start1, &QAction::triggered, this, on(&TForm1::Start1Click));
    connect(Stop1, &QAction::triggered, this, on(&TForm1::Stop1Click));
    connect(Zapiszwarstw1, &QAction::triggered, this, on(&TForm1::Zapiszwarstw1Click));
    connect(Zapisz1, &QAction::triggered, this, on(&TForm1::Zapisz1Click));
    connect(Zakocz1, &QAction::triggered, this, on(&TForm1::Zakocz1Click));
    connect(Zielony1, &QAction::triggered, this, on(&TForm1::Zielony1Click));
    connect(Czerwony1, &QAction::triggered, this, on(&TForm1::Czerwony1Click));
    connect(Niebieski1, &QAction::triggered, this, on(&TForm1::Niebieski1Click));
    connect(Mieszane1, &QAction::triggered, this, on(&TForm1::Mieszane1Click));
    connect(Mieszane2, &QAction::triggered, this, on(&TForm1::Mieszane2Click));
    connect(Polski1, &QAction::triggered, this, on(&TForm1::Polski1Click));
    connect(English1, &QAction::triggered, this, on(&TForm1::English1Click));
    connect(Oprogramie1, &QAction::triggered, this, on(&TForm1::Oprogramie1Click));
    connect(Pokaz1, &QAction::triggered, this, on(&TForm1::Pokaz1Click));
    for (GrowthModel m : growthModels)
        connect(modelItems[static_cast<size_t>(m)], &QAction::triggered, this, [this, m] { guarded([this, m] { ModelClick(m); }); });

    client->onPaint = [this](QPaintEvent* event) { paintClient(event); };
    client->onMouseDown = [this](Qt::MouseButton b, int x, int y) { guarded([=, this] { FormMouseDown(b, x, y); }); };
    client->onMouseMove = [this](int x, int y) { guarded([=, this] { FormMouseMove(x, y); }); };
    client->onMouseUp = [this](Qt::MouseButton b, int x, int y) { guarded([=, this] { FormMouseUp(b, x, y); }); };
}

// --- Painting ---------------------------------------------------------------------------------

void TForm1::paintClient(QPaintEvent* event)
{
    // A paint the window system asks for redraws both pictures (FormPaint); the copies the
    // refreshes make only put the finished bitmaps on screen.
    if (!copying_ && sim) {
        inSystemPaint_ = true;
        guarded([this] { FormPaint(); });
        inSystemPaint_ = false;
    }
    QPainter painter(client);
    painter.setClipRegion(event->region());
    painter.drawImage(surfaceLeft, surfaceTop, surfaceBmp.image());
    painter.drawImage(chartLeft, chartTop, chartBmp.image());
}

void TForm1::copyToWindow(int left, int top, const Bitmap& bitmap)
{
    if (inSystemPaint_)
        return; // the paint event under way copies the bitmaps when FormPaint is done
    copying_ = true;
    client->repaint(left, top, bitmap.width(), bitmap.height());
    copying_ = false;
}

void TForm1::refreshSurface(int x, int y)
{
    drawSurface(*sim, surfaceBmp, x, y, cellSize);
    copyToWindow(surfaceLeft, surfaceTop, surfaceBmp);
}

void TForm1::refreshChart()
{
    chart->draw(chartBmp, chartBmp.height(), Typwykresu->itemIndex());
    copyToWindow(chartLeft, chartTop, chartBmp);
}

// --- The control loop -------------------------------------------------------------------------

void TForm1::newSimulation()
{
    film.reset();
    sim = std::make_unique<Symulacja>(random_);
    film = std::make_unique<FilmRun>(*sim);
}

void TForm1::FormCreate()
{
    newSimulation();
    chart = std::make_unique<Wykres>();
    sim->applyDefaults();
    sim->allocateLattice();
    originX = settingKey(Setting::Xabs).start;
    originY = settingKey(Setting::Yabs).start;
    cellSize = ScrollBar1->value();
    ScrollBar2Change(); // the tick interval from the speed bar
    surfaceLeft = 10;
    surfaceTop = 10;
    surfaceBmp.setSize(surfacePictureWidth, surfacePictureHeight);
    chartLeft = 10;
    chartTop = 420;
    chartBmp.setSize(chartPictureWidth, chartPictureHeight);
    ComboBox2->setEnabled(false);
    ComboBox3->setEnabled(false);
    refreshSurface(originX, originY);
    Button1Click();
}

void TForm1::Button1Click()
{
    // Both texts are converted before anything is replaced, so a bad number leaves the
    // running simulation and its chart as they were.
    const char separator = localeDecimalSeparator();
    const int32_t relaxations = strToInt(Edit2->text().toStdString());
    const double maxLayers = strToFloat(Edit1->text().toStdString(), separator);

    newSimulation();
    chart = std::make_unique<Wykres>();
    chart->clear(chartBmp);
    sim->sizeX = ScrollBar6->value();
    sim->sizeY = ScrollBar7->value();
    sim->relaxations = relaxations;
    sim->maxLayers = maxLayers;
    sim->rate = Symulacja::rateOfPosition(ScrollBar3->value());
    ScrollBar3Change();
    sim->z = ComboBox1->currentIndex();
    sim->zx = ComboBox2->currentIndex();
    sim->zy = ComboBox3->currentIndex();
    WarunkiClick();
    sim->model = checkedModel();
    sim->allocateLattice();
    sim->palette = checkedPalette();
    refreshSurface(originX, originY);
    emit simulationReset();
}

void TForm1::Button2Click()
{
    if (Timer1->isActive()) {
        Timer1->stop();
        Button2->setText(QStringLiteral("Start"));
    } else {
        Timer1->start();
        Button2->setText(QStringLiteral("Stop"));
    }
}

void TForm1::recomputeDrawOrigin()
{
    // An origin loaded from a file may lie anywhere in int32; a drag from there must not
    // overflow, so the picture stops at the limits instead.
    const auto shifted = [](int base, int offset) {
        return static_cast<int>(std::clamp<int64_t>(int64_t(base) + offset, INT32_MIN, INT32_MAX));
    };
    drawX = shifted(originX, dragOffsetX);
    drawY = shifted(originY, dragOffsetY);
}

void TForm1::Timer1Timer()
{
    recomputeDrawOrigin();
    film->autoHeight = autoHeight;
    film->advance(); // step, then auto-height: the batch tool's tick
    refreshSurface(drawX, drawY);
    if (capturing)
        captureFrame(); // saves surfaceBmp as the next numbered frame
    const double roughness = film->roughness();
    chart->addValue(roughness);
    refreshChart();
    emit ticked(roughness);
}

void TForm1::FormPaint()
{
    recomputeDrawOrigin();
    refreshSurface(drawX, drawY);
    refreshChart();
}

void TForm1::FormDestroy()
{
    Timer1->stop();
    film.reset();
    sim.reset();
    chartBmp.setSize(0, 0);
}

void TForm1::Zakocz1Click()
{
    close();
}

void TForm1::Oprogramie1Click()
{
    TAboutBox* box = aboutBox();
    runModal([box] { box->exec(); });
}
