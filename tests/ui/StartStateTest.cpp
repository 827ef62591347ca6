// The window as it starts: layout, names, captions, ranges and the first Reset.
#include "FormFixture.h"

#include "ui/ClientArea.h"
#include "ui/RadioGroup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

class StartStateTest : public QObject {
    Q_OBJECT
private slots:
    void everyDesignNameIsFound();
    void controlsSitWhereTheLayoutPutsThem();
    void scrollBarsHaveTheirRangesAndSteps();
    void startValuesAndCaptions();
    void menuHasCaptionsShortcutsAndChecks();
    void windowIsFixedWithoutMaximiseBox();
    void firstResetHasRun();
    void drawingAreasOverlapNoControl();
    void tabVisitsTheControlsInTheDesignedOrder();
    void flatLatticeIsDrawnOnScreen();
};

void StartStateTest::everyDesignNameIsFound()
{
    FormFixture f;
    const char* names[] = {"Label4", "Typwykresu", "GroupBox4", "Panel1", "GroupBox1", "GroupBox2", "GroupBox3",
        "Button2", "Button1", "Label2", "ScrollBar2", "Label3", "ScrollBar1", "CheckBox2", "Label7", "Label1",
        "ScrollBar6", "ScrollBar7", "CheckBox1", "w_zrzucie_txt", "w_zrzucie_num", "ScrollBar3", "Label5", "Edit1",
        "Edit2", "Warunki", "Label12", "ComboBox1", "Label11", "ComboBox2", "Label10", "ComboBox3", "Timer1",
        "MainMenu1", "Plik1", "Otwrz1", "Zapiszobraz1", "Zapiszklatki1", "Start1", "Stop1", "Zapiszwarstw1",
        "Zapisz1", "N1", "Zakocz1", "Kolory1", "Zielony1", "Czerwony1", "Niebieski1", "Mieszane1", "Mieszane2",
        "Jzyk1", "Polski1", "English1", "Pomoc1", "Oprogramie1", "OpenDialog1", "SaveDialog2", "SaveDialog1",
        "SavePictureDialog1"};
    for (const char* name : names) {
        const QList<QObject*> found = f.form->findChildren<QObject*>(QString::fromLatin1(name));
        QVERIFY2(found.size() == 1, name);
    }
    QCOMPARE(f.form->objectName(), QStringLiteral("Form1"));
    QVERIFY(qobject_cast<QTimer*>(f.form->findChild<QObject*>("Timer1")));
    QVERIFY(qobject_cast<QFileDialog*>(f.form->findChild<QObject*>("SavePictureDialog1")));
}

void StartStateTest::controlsSitWhereTheLayoutPutsThem()
{
    FormFixture f;
    struct Place {
        const char* name;
        const char* parent;
        QRect rect;
    };
    const Place places[] = {
        {"Typwykresu", "Form1Client", {512, 512, 105, 65}},
        {"GroupBox4", "Form1Client", {512, 424, 105, 57}},
        {"Panel1", "Form1Client", {624, 424, 137, 161}},
        {"GroupBox1", "Form1Client", {624, 8, 137, 161}},
        {"GroupBox2", "Form1Client", {624, 176, 137, 121}},
        {"GroupBox3", "Form1Client", {624, 304, 137, 113}},
        {"Button2", "GroupBox1", {8, 24, 57, 25}},
        {"Button1", "GroupBox1", {72, 24, 57, 25}},
        {"ScrollBar2", "GroupBox1", {16, 72, 110, 15}},
        {"ScrollBar1", "GroupBox1", {16, 112, 110, 15}},
        {"CheckBox2", "GroupBox1", {16, 136, 105, 17}},
        {"ScrollBar6", "GroupBox2", {16, 48, 113, 12}},
        {"ScrollBar7", "GroupBox2", {16, 72, 113, 12}},
        {"CheckBox1", "GroupBox2", {16, 96, 97, 17}},
        {"ScrollBar3", "GroupBox3", {16, 40, 105, 15}},
        {"Edit1", "GroupBox3", {16, 80, 105, 21}},
        {"Edit2", "GroupBox4", {16, 24, 73, 21}},
        {"Warunki", "Panel1", {8, 8, 121, 65}},
        {"ComboBox1", "Panel1", {48, 80, 65, 21}},
        {"ComboBox2", "Panel1", {48, 104, 65, 21}},
        {"ComboBox3", "Panel1", {48, 128, 65, 21}},
    };
    for (const Place& p : places) {
        auto* w = f.form->findChild<QWidget*>(QString::fromLatin1(p.name));
        QVERIFY2(w, p.name);
        QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(p.parent));
        QCOMPARE(w->geometry(), p.rect);
    }
    // Labels keep their designed corner; their width follows the text.
    struct LabelPlace {
        const char* name;
        const char* parent;
        QPoint corner;
    };
    const LabelPlace labels[] = {{"Label4", "Form1Client", {512, 488}}, {"Label2", "GroupBox1", {16, 56}},
        {"Label3", "GroupBox1", {16, 96}}, {"Label7", "GroupBox2", {16, 24}}, {"Label1", "GroupBox2", {64, 24}},
        {"w_zrzucie_txt", "GroupBox3", {16, 24}}, {"w_zrzucie_num", "GroupBox3", {80, 24}},
        {"Label5", "GroupBox3", {16, 64}}, {"Label12", "Panel1", {16, 80}}, {"Label11", "Panel1", {16, 104}},
        {"Label10", "Panel1", {16, 128}}};
    for (const LabelPlace& p : labels) {
        auto* l = f.form->findChild<QLabel*>(QString::fromLatin1(p.name));
        QVERIFY2(l, p.name);
        QCOMPARE(l->parentWidget()->objectName(), QString::fromLatin1(p.parent));
        QCOMPARE(l->pos(), p.corner);
        QVERIFY2(l->width() >= l->sizeHint().width(), p.name); // the caption is not cut
    }
}

void StartStateTest::scrollBarsHaveTheirRangesAndSteps()
{
    FormFixture f;
    struct Bar {
        QScrollBar* bar;
        int min, max, page, value;
    };
    const Bar bars[] = {{f.form->ScrollBar1, 5, 10, 1, 7}, {f.form->ScrollBar2, 1, 100, 10, 80},
        {f.form->ScrollBar3, 1, 1000, 10, 10}, {f.form->ScrollBar6, 10, 100, 10, 50},
        {f.form->ScrollBar7, 10, 100, 10, 50}};
    for (const Bar& b : bars) {
        QCOMPARE(b.bar->minimum(), b.min);
        QCOMPARE(b.bar->maximum(), b.max);
        QCOMPARE(b.bar->pageStep(), b.page);
        QCOMPARE(b.bar->singleStep(), 1);
        QCOMPARE(b.bar->value(), b.value);
        QCOMPARE(b.bar->orientation(), Qt::Horizontal);
    }
}

void StartStateTest::startValuesAndCaptions()
{
    FormFixture f;
    TForm1& w = *f.form;
    QCOMPARE(w.Button2->text(), QStringLiteral("Start"));
    QCOMPARE(w.Button1->text(), QStringLiteral("Reset"));
    QCOMPARE(w.Label1->text(), QStringLiteral("50x50"));
    QCOMPARE(w.Label4->text(), QStringLiteral("Chropowatość"));
    QCOMPARE(w.Label4->font().pixelSize(), 13);
    QVERIFY(w.Label12->font().bold());
    QCOMPARE(w.Edit1->text(), QStringLiteral("50"));
    QCOMPARE(w.Edit2->text(), QStringLiteral("5"));
    QVERIFY(!w.CheckBox1->isChecked());
    QVERIFY(!w.CheckBox2->isChecked());
    QCOMPARE(w.Warunki->itemIndex(), 0);
    QCOMPARE(w.Warunki->itemText(1), QStringLiteral("anizotropowe"));
    QCOMPARE(w.Typwykresu->itemIndex(), 0);
    QCOMPARE(w.Typwykresu->itemText(0), QStringLiteral("Oscyloskop"));
    QCOMPARE(w.ComboBox1->count(), 5);
    QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("2"));
    QCOMPARE(w.ComboBox2->count(), 4);
    QCOMPARE(w.ComboBox2->currentText(), QStringLiteral("1"));
    QCOMPARE(w.ComboBox3->currentText(), QStringLiteral("1"));
    QVERIFY(w.ComboBox1->isEnabled());
    QVERIFY(!w.ComboBox2->isEnabled());
    QVERIFY(!w.ComboBox3->isEnabled());
    QCOMPARE(w.client->font().pixelSize(), 11);
}

void StartStateTest::menuHasCaptionsShortcutsAndChecks()
{
    FormFixture f;
    TForm1& w = *f.form;
    QCOMPARE(w.Plik1->title(), QStringLiteral("&Plik"));
    QCOMPARE(w.Otwrz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(w.Zapiszobraz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    QCOMPARE(w.Start1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    QCOMPARE(w.Stop1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    QCOMPARE(w.Zapiszwarstw1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QCOMPARE(w.Zapisz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(w.Zakocz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCOMPARE(w.Zakocz1->text(), QStringLiteral("Za&kończ"));
    QVERIFY(w.N1->isSeparator());
    // File menu order: the frames submenu between the picture and the layer items.
    const QList<QAction*> file = w.Plik1->actions();
    QCOMPARE(file.size(), 7);
    QCOMPARE(file[2], w.Zapiszklatki1->menuAction());
    QCOMPARE(file[5], w.N1);
    QCOMPARE(w.Zapiszklatki1->actions(), (QList<QAction*>{w.Start1, w.Stop1}));
    QCOMPARE(w.Kolory1->actions(),
        (QList<QAction*>{w.Zielony1, w.Czerwony1, w.Niebieski1, w.Mieszane1, w.Mieszane2}));
    for (QAction* a : {w.Zielony1, w.Czerwony1, w.Niebieski1, w.Mieszane2, w.English1})
        QVERIFY(!a->isChecked());
    QVERIFY(w.Mieszane1->isChecked());
    QVERIFY(w.Polski1->isChecked());
    const QList<QAction*> bar = w.MainMenu1->actions();
    QCOMPARE(bar, (QList<QAction*>{w.Plik1->menuAction(), w.Kolory1->menuAction(), w.Jzyk1->menuAction(),
                      w.Model1->menuAction(), w.Analiza1->menuAction(), w.Pomoc1->menuAction()}));
}

void StartStateTest::windowIsFixedWithoutMaximiseBox()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    QCOMPARE(w.windowTitle(), QStringLiteral("Tessavo 1.5"));
    QCOMPARE(w.client->size(), QSize(769, 588));
    QCOMPARE(w.client->geometry().top(), w.menuBar()->geometry().bottom() + 1);
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(w.pos(), QPoint(35, 26));
}

void StartStateTest::firstResetHasRun()
{
    FormFixture f;
    TForm1& w = *f.form;
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.Timer1->interval(), 210);
    QString rate = QStringLiteral("0.01");
    rate.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
    QCOMPARE(w.w_zrzucie_num->text(), rate);
    QCOMPARE(w.sim->sizeX, 50);
    QCOMPARE(w.sim->sizeY, 50);
    QCOMPARE(w.sim->lattice->width, 50);
    QCOMPARE(w.sim->lattice->height, 50);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(0));
    QCOMPARE(w.sim->relaxations, 5);
    QCOMPARE(w.sim->maxLayers, 50.0);
    QCOMPARE(w.sim->rate, 0.01);
    QCOMPARE(w.sim->z, 2);
    QCOMPARE(w.sim->zx, 1);
    QCOMPARE(w.sim->zy, 1);
    QCOMPARE(w.sim->zmode, 0);
    QCOMPARE(w.sim->palette, 3);
    QCOMPARE(w.sim->heightOffset, 0);
    QCOMPARE(w.originX, 210);
    QCOMPARE(w.originY, 190);
    QCOMPARE(w.cellSize, 7);
    QCOMPARE(w.surfaceBmp.width(), 600);
    QCOMPARE(w.surfaceBmp.height(), 400);
    QCOMPARE(w.chartBmp.width(), 490);
    QCOMPARE(w.chartBmp.height(), 170);
    QVERIFY(!w.autoHeight);
    QVERIFY(!w.dragging);
    QVERIFY(!w.capturing);
    QVERIFY(f.errors.messages.isEmpty());
}

void StartStateTest::drawingAreasOverlapNoControl()
{
    FormFixture f;
    const QRect surface(10, 10, 600, 400);
    const QRect chart(10, 420, 490, 170);
    for (QWidget* child : f.form->client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(!child->geometry().intersects(surface), qPrintable(child->objectName()));
        QVERIFY2(!child->geometry().intersects(chart), qPrintable(child->objectName()));
    }
}

void StartStateTest::tabVisitsTheControlsInTheDesignedOrder()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    // The name of the focused control; a radio item counts as its group.
    auto focused = [] {
        QWidget* widget = QApplication::focusWidget();
        if (!widget)
            return QString();
        if (qobject_cast<RadioGroup*>(widget->parentWidget()))
            return widget->parentWidget()->objectName();
        return widget->objectName();
    };
    auto tabRound = [&](int steps) {
        QStringList visited;
        for (int i = 0; i < steps; ++i) {
            visited << focused();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return visited;
    };

    // Only the selected item of a radio group takes the focus, and disabled combo boxes none.
    w.Typwykresu->button(0)->setFocus();
    const QStringList isotropic = {"Typwykresu", "Warunki", "ComboBox1", "ScrollBar2", "ScrollBar1", "Button2",
        "CheckBox2", "Button1", "ScrollBar6", "ScrollBar7", "CheckBox1", "ScrollBar3", "Edit1", "Edit2",
        "Typwykresu"};
    QCOMPARE(tabRound(15), isotropic);

    w.Warunki->setItemIndex(1);
    w.Typwykresu->setItemIndex(1);
    w.Typwykresu->button(1)->setFocus();
    const QStringList anisotropic = {"Typwykresu", "Warunki", "ComboBox2", "ComboBox3", "ScrollBar2"};
    QCOMPARE(tabRound(5), anisotropic);
}

void StartStateTest::flatLatticeIsDrawnOnScreen()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    // The surface picture holds the lattice, and the window shows exactly that picture.
    QVERIFY(inkedPixels(w.surfaceBmp) > 10000);
    const QImage onScreen = f.onScreen(QRect(10, 10, 600, 400));
    QCOMPARE(onScreen, w.surfaceBmp.image());
    const QImage chartOnScreen = f.onScreen(visibleChart);
    QCOMPARE(chartOnScreen, w.chartBmp.image().copy(visibleChart.translated(-10, -420)));
}

QTEST_MAIN(StartStateTest)
#include "StartStateTest.moc"
