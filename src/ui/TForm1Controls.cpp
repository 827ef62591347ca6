// TForm1: the handlers of the panel's controls, the colour menu and the mouse drag.
#include "ui/TForm1.h"

#include "model/Convert.h"
#include "ui/LocaleText.h"
#include "ui/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

void TForm1::fitLabel(QLabel* label)
{
    // Labels take the width of their text, as the design's self-sizing labels do.
    label->resize(label->sizeHint().width(), label->height());
}

void TForm1::ScrollBar1Change()
{
    cellSize = ScrollBar1->value();
    refreshSurface(drawX, drawY);
}

void TForm1::ScrollBar2Change()
{
    Timer1->setInterval(1010 - 10 * ScrollBar2->value());
}

void TForm1::ScrollBar3Change()
{
    sim->rate = Symulacja::rateOfPosition(ScrollBar3->value());
    w_zrzucie_num->setText(localeFloatText(sim->rate));
    fitLabel(w_zrzucie_num);
}

void TForm1::sizeBarChange(QScrollBar* moved, QScrollBar* other)
{
    // With the square box ticked the other bar follows; its own handling runs at once, nested,
    // and resets with both new sizes before this one writes the label and resets again.
    if (CheckBox1->isChecked())
        setScrollPosition(other, moved->value());
    Label1->setText(QStringLiteral("%1 x %2").arg(ScrollBar6->value()).arg(ScrollBar7->value()));
    fitLabel(Label1);
    Button1Click();
}

void TForm1::ScrollBar6Change()
{
    sizeBarChange(ScrollBar6, ScrollBar7);
}

void TForm1::ScrollBar7Change()
{
    sizeBarChange(ScrollBar7, ScrollBar6);
}

void TForm1::CheckBox1Click()
{
    setScrollPosition(ScrollBar7, ScrollBar6->value());
    ScrollBar7Change();
}

void TForm1::CheckBox2Click()
{
    autoHeight = !autoHeight;
}

void TForm1::ComboBox1Change()
{
    sim->z = ComboBox1->currentIndex();
}

void TForm1::ComboBox2Change()
{
    sim->zx = ComboBox2->currentIndex();
    sim->zy = ComboBox3->currentIndex();
}

void TForm1::ComboBox3Change()
{
    ComboBox2Change();
}

void TForm1::WarunkiClick()
{
    const bool isotropic = Warunki->itemIndex() == 0;
    ComboBox1->setEnabled(isotropic);
    ComboBox2->setEnabled(!isotropic);
    ComboBox3->setEnabled(!isotropic);
    sim->zmode = isotropic ? 0 : 1;
}

void TForm1::TypwykresuClick()
{
    chart->clear(chartBmp);
}

void TForm1::Edit1Change()
{
    sim->maxLayers = strToFloat(Edit1->text().toStdString(), localeDecimalSeparator());
}

void TForm1::Edit2Change()
{
    sim->relaxations = strToInt(Edit2->text().toStdString());
}

void TForm1::choosePalette(QAction* item, int32_t palette)
{
    for (QAction* a : {Zielony1, Czerwony1, Niebieski1, Mieszane1, Mieszane2})
        a->setChecked(a == item);
    sim->palette = palette;
    FormPaint();
}

int32_t TForm1::checkedPalette() const
{
    if (Zielony1->isChecked())
        return 0;
    if (Czerwony1->isChecked())
        return 1;
    if (Niebieski1->isChecked())
        return 2;
    if (Mieszane2->isChecked())
        return 4;
    return 3;
}

void TForm1::Zielony1Click()
{
    choosePalette(Zielony1, 0);
}

void TForm1::Czerwony1Click()
{
    choosePalette(Czerwony1, 1);
}

void TForm1::Niebieski1Click()
{
    choosePalette(Niebieski1, 2);
}

void TForm1::Mieszane1Click()
{
    choosePalette(Mieszane1, 3);
}

void TForm1::Mieszane2Click()
{
    choosePalette(Mieszane2, 4);
}

void TForm1::FormMouseDown(Qt::MouseButton, int X, int Y)
{
    if (surfaceLeft < X && X < surfaceLeft + surfaceBmp.width() && surfaceTop < Y
        && Y < surfaceTop + surfaceBmp.height())
        dragging = true;
    dragStartX = X;
    dragStartY = Y;
    // Any press on the free area pauses the animation until the release.
    Timer1->stop();
}

void TForm1::FormMouseMove(int X, int Y)
{
    if (!dragging)
        return;
    dragOffsetX = X - dragStartX;
    dragOffsetY = Y - dragStartY;
    if (Timer1->isActive())
        return;
    recomputeDrawOrigin();
    refreshSurface(drawX, drawY);
}

void TForm1::FormMouseUp(Qt::MouseButton, int, int)
{
    dragging = false;
    originX = drawX;
    originY = drawY;
    dragOffsetX = 0;
    dragOffsetY = 0;
    if (Button2->text() == QLatin1String("Stop"))
        Timer1->start();
}
