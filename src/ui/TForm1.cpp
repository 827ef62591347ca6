// TForm1: construction and layout of the main window.
#include "ui/TForm1.h"

#include "model/SettingsTable.h"
#include "ui/ClientArea.h"
#include "ui/RadioGroup.h"
#include "ui/TAboutBox.h"
#include "ui/WheelFocusFilter.h"
#include "ui/WindowFileDialogs.h"
#include "ui/WindowFont.h"
#include "ProgramVersion.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace {

template <class W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h)
{
    auto* label = named(new QLabel(text, parent), name);
    // A caption is shown as written, also when a language file puts markup-like text in it.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(x, y, w, h);
    // Labels size themselves to their text (at least the designed width, so an empty label
    // keeps its place).
    label->resize(std::max(w, label->sizeHint().width()), h);
    return label;
}

QScrollBar* makeScrollBar(QWidget* parent, const char* name, int x, int y, int w, int h, int min, int max,
                          int largeStep, int position)
{
    auto* bar = named(new QScrollBar(Qt::Horizontal, parent), name);
    bar->setGeometry(x, y, w, h);
    bar->setRange(min, max);
    bar->setSingleStep(1);
    bar->setPageStep(largeStep);
    bar->setValue(position);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

// A scroll bar whose range, large step and start position come from the settings table.
QScrollBar* makeSettingBar(QWidget* parent, const char* name, int x, int y, int w, int h, Setting setting)
{
    const SettingKey& k = settingKey(setting);
    return makeScrollBar(parent, name, x, y, w, h, k.low, k.high, k.largeStep, k.start);
}

QComboBox* makeComboBox(QWidget* parent, const char* name, int x, int y, int itemCount, int selected)
{
    auto* box = named(new QComboBox(parent), name);
    box->setGeometry(x, y, 65, 21);
    for (int i = 0; i < itemCount; ++i)
        box->addItem(QString::number(i));
    box->setCurrentIndex(selected);
    return box;
}

// A combo box listing the indexes low..high of its setting, the start one selected.
QComboBox* makeSettingCombo(QWidget* parent, const char* name, int x, int y, Setting setting)
{
    const SettingKey& k = settingKey(setting);
    return makeComboBox(parent, name, x, y, k.high - k.low + 1, k.start);
}

RadioGroup* makeRadioGroup(QWidget* parent, const char* name, const QString& title, const QStringList& items,
                           const QRect& geometry)
{
    auto* group = named(new RadioGroup(title, items, parent), name);
    group->setGeometry(geometry);
    group->setItemIndex(0);
    return group;
}

QGroupBox* makeGroupBox(QWidget* parent, const char* name, const QString& title, int x, int y, int w, int h)
{
    auto* box = named(new QGroupBox(title, parent), name);
    box->setGeometry(x, y, w, h);
    return box;
}

QAction* makeAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& shortcut = {})
{
    auto* action = named(menu->addAction(text), name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QMenu* makeMenu(QWidget* parent, const char* name, const QString& title)
{
    auto* menu = named(new QMenu(title, parent), name);
    // A drop-down menu is a window of its own and would not inherit the menu bar's font.
    menu->setFont(windowFont());
    menu->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
    return menu;
}

} // namespace

TForm1::TForm1(ErrorReporter* reporter, Random* random)
    : reporter_(reporter ? reporter : &defaultReporter_)
    , random_(random)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tessavo ") + QString::fromLatin1(programVersion));
    // A single fixed border: the system menu, minimise and close, but no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    buildLayout();
    buildMenu();
    buildDialogs();

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setTimerType(Qt::PreciseTimer);

    setFocusOrder();
    connectHandlers();

    // The client area has a fixed size; the window is the client area plus the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(35, 26);

    FormCreate();
}

TForm1::~TForm1()
{
    FormDestroy();
}

void TForm1::buildLayout()
{
    client = new ClientArea(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    client->setFixedSize(769, 588);
    client->setFont(windowFont());
    setCentralWidget(client);

    QFont bigFont = windowFont(13);
    QFont boldFont = windowFont(13, true);

    // Controls directly on the window.
    Label4 = makeLabel(client, "Label4", QStringLiteral("Chropowatość"), 512, 488, 86, 16);
    Label4->setFont(bigFont);

    Typwykresu = makeRadioGroup(client, "Typwykresu", QStringLiteral("Typ wykresu"),
        {QStringLiteral("Oscyloskop"), QStringLiteral("Ruchomy")}, QRect(512, 512, 105, 65));

    GroupBox4 = makeGroupBox(client, "GroupBox4", QStringLiteral("Relaksacje"), 512, 424, 105, 57);

    Panel1 = named(new QFrame(client), "Panel1");
    Panel1->setGeometry(624, 424, 137, 161);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);

    GroupBox1 = makeGroupBox(client, "GroupBox1", QStringLiteral("Animacja"), 624, 8, 137, 161);
    GroupBox2 = makeGroupBox(client, "GroupBox2", QStringLiteral("Siatka"), 624, 176, 137, 121);
    GroupBox3 = makeGroupBox(client, "GroupBox3", QStringLiteral("Warstwy"), 624, 304, 137, 113);

    // Presses on a control or its container belong to the control, never to the window's
    // free area (the drag handlers).
    for (QWidget* w : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(Typwykresu),
             static_cast<QWidget*>(GroupBox4), static_cast<QWidget*>(Panel1),
             static_cast<QWidget*>(GroupBox1), static_cast<QWidget*>(GroupBox2),
             static_cast<QWidget*>(GroupBox3)})
        w->setAttribute(Qt::WA_NoMousePropagation);

    // Animation.
    Button2 = named(new QPushButton(QStringLiteral("Start"), GroupBox1), "Button2");
    Button2->setGeometry(8, 24, 57, 25);
    Button1 = named(new QPushButton(QStringLiteral("Reset"), GroupBox1), "Button1");
    Button1->setGeometry(72, 24, 57, 25);
    Label2 = makeLabel(GroupBox1, "Label2", QStringLiteral("prędkość"), 16, 56, 44, 13);
    ScrollBar2 = makeSettingBar(GroupBox1, "ScrollBar2", 16, 72, 110, 15, Setting::Speed);
    Label3 = makeLabel(GroupBox1, "Label3", QStringLiteral("zbliżenie"), 16, 96, 40, 13);
    ScrollBar1 = makeSettingBar(GroupBox1, "ScrollBar1", 16, 112, 110, 15, Setting::Zoom);
    CheckBox2 = named(new QCheckBox(QStringLiteral("autowysokość"), GroupBox1), "CheckBox2");
    CheckBox2->setGeometry(16, 136, 105, 17);

    // Lattice size.
    Label7 = makeLabel(GroupBox2, "Label7", QStringLiteral("Rozmiar"), 16, 24, 38, 13);
    Label1 = makeLabel(GroupBox2, "Label1", QStringLiteral("50x50"), 64, 24, 29, 13);
    ScrollBar6 = makeSettingBar(GroupBox2, "ScrollBar6", 16, 48, 113, 12, Setting::GridX);
    ScrollBar7 = makeSettingBar(GroupBox2, "ScrollBar7", 16, 72, 113, 12, Setting::GridY);
    CheckBox1 = named(new QCheckBox(QStringLiteral("kwadratowa"), GroupBox2), "CheckBox1");
    CheckBox1->setGeometry(16, 96, 97, 17);

    // Deposition.
    w_zrzucie_txt = makeLabel(GroupBox3, "w_zrzucie_txt", QStringLiteral("w zrzucie:"), 16, 24, 47, 13);
    w_zrzucie_num = makeLabel(GroupBox3, "w_zrzucie_num", QString(), 80, 24, 3, 13);
    ScrollBar3 = makeSettingBar(GroupBox3, "ScrollBar3", 16, 40, 105, 15, Setting::Dep);
    Label5 = makeLabel(GroupBox3, "Label5", QStringLiteral("maksymalnie"), 16, 64, 60, 13);
    Edit1 = named(new QLineEdit(QString::fromLatin1(settingKey(Setting::Max).startText), GroupBox3), "Edit1");
    Edit1->setGeometry(16, 80, 105, 21);

    // Relaxations.
    Edit2 = named(new QLineEdit(QString::fromLatin1(settingKey(Setting::Relaxations).startText), GroupBox4), "Edit2");
    Edit2->setGeometry(16, 24, 73, 21);

    // Neighbour conditions.
    Warunki = makeRadioGroup(Panel1, "Warunki", QStringLiteral("Warunki"),
        {QStringLiteral("izotropowe"), QStringLiteral("anizotropowe")}, QRect(8, 8, 121, 65));
    Label12 = makeLabel(Panel1, "Label12", QStringLiteral("Z"), 16, 80, 10, 16);
    Label12->setFont(boldFont);
    ComboBox1 = makeSettingCombo(Panel1, "ComboBox1", 48, 80, Setting::Z);
    Label11 = makeLabel(Panel1, "Label11", QStringLiteral("Zx"), 16, 104, 17, 16);
    Label11->setFont(boldFont);
    ComboBox2 = makeSettingCombo(Panel1, "ComboBox2", 48, 104, Setting::Zx);
    Label10 = makeLabel(Panel1, "Label10", QStringLiteral("Zy"), 16, 128, 18, 16);
    Label10->setFont(boldFont);
    ComboBox3 = makeSettingCombo(Panel1, "ComboBox3", 48, 128, Setting::Zy);
    // The wheel acts on the focused bar or box only.
    auto* wheel = new WheelFocusFilter(this);
    for (QWidget* control : {static_cast<QWidget*>(ScrollBar2), static_cast<QWidget*>(ScrollBar1),
             static_cast<QWidget*>(ScrollBar6), static_cast<QWidget*>(ScrollBar7),
             static_cast<QWidget*>(ScrollBar3), static_cast<QWidget*>(ComboBox1),
             static_cast<QWidget*>(ComboBox2), static_cast<QWidget*>(ComboBox3)})
        wheel->watch(control);
}

void TForm1::buildMenu()
{
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    setMenuBar(MainMenu1);
    MainMenu1->setFont(windowFont());

    Plik1 = makeMenu(MainMenu1, "Plik1", QStringLiteral("&Plik"));
    MainMenu1->addMenu(Plik1);
    Otwrz1 = makeAction(Plik1, "Otwrz1", QStringLiteral("&Otwórz..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    Zapiszobraz1 = makeAction(Plik1, "Zapiszobraz1", QStringLiteral("Za&pisz obraz..."),
        QKeySequence(Qt::CTRL | Qt::Key_P));
    Zapiszklatki1 = makeMenu(Plik1, "Zapiszklatki1", QStringLiteral("Zapisz klatki"));
    Plik1->addMenu(Zapiszklatki1);
    Start1 = makeAction(Zapiszklatki1, "Start1", QStringLiteral("Sta&rt..."), QKeySequence(Qt::CTRL | Qt::Key_R));
    Stop1 = makeAction(Zapiszklatki1, "Stop1", QStringLiteral("S&top"), QKeySequence(Qt::CTRL | Qt::Key_T));
    Zapiszwarstw1 = makeAction(Plik1, "Zapiszwarstw1", QStringLiteral("Zapisz warstwę..."),
        QKeySequence(Qt::CTRL | Qt::Key_L));
    Zapisz1 = makeAction(Plik1, "Zapisz1", QStringLiteral("&Zapisz konfigurację..."),
        QKeySequence(Qt::CTRL | Qt::Key_S));
    N1 = named(Plik1->addSeparator(), "N1");
    Zakocz1 = makeAction(Plik1, "Zakocz1", QStringLiteral("Za&kończ"), QKeySequence(Qt::CTRL | Qt::Key_Q));

    Kolory1 = makeMenu(MainMenu1, "Kolory1", QStringLiteral("Kolory"));
    MainMenu1->addMenu(Kolory1);
    Zielony1 = makeAction(Kolory1, "Zielony1", QStringLiteral("Zielony"));
    Czerwony1 = makeAction(Kolory1, "Czerwony1", QStringLiteral("Czerwony"));
    Niebieski1 = makeAction(Kolory1, "Niebieski1", QStringLiteral("Niebieski"));
    Mieszane1 = makeAction(Kolory1, "Mieszane1", QStringLiteral("Paleta 1"));
    Mieszane2 = makeAction(Kolory1, "Mieszane2", QStringLiteral("Paleta 2"));
    for (QAction* a : {Zielony1, Czerwony1, Niebieski1, Mieszane1, Mieszane2})
        a->setCheckable(true);
    Mieszane1->setChecked(true);

    Jzyk1 = makeMenu(MainMenu1, "Jzyk1", QStringLiteral("&Język"));
    MainMenu1->addMenu(Jzyk1);
    Polski1 = makeAction(Jzyk1, "Polski1", QStringLiteral("&Polski"));
    English1 = makeAction(Jzyk1, "English1", QStringLiteral("&English"));
    Polski1->setCheckable(true);
    English1->setCheckable(true);
    Polski1->setChecked(true);

    // The growth models: the menu, then one exclusive radio item each, Tessavo's own ticked.
    const std::vector<Caption>& models = modelCaptionTable();
    Model1 = makeMenu(MainMenu1, models[0].target, QString::fromUtf8(models[0].polish));
    MainMenu1->addMenu(Model1);
    auto* modelGroup = new QActionGroup(Model1);
    for (GrowthModel m : growthModels) {
        const Caption& c = models[1 + static_cast<size_t>(m)];
        QAction* item = makeAction(Model1, c.target, QString::fromUtf8(c.polish));
        item->setCheckable(true);
        modelGroup->addAction(item);
        modelItems[static_cast<size_t>(m)] = item;
    }
    modelItems[static_cast<size_t>(GrowthModel::Tessavo)]->setChecked(true);

    Analiza1 = makeMenu(MainMenu1, "Analiza1", QStringLiteral("&Analiza"));
    MainMenu1->addMenu(Analiza1);
    Pokaz1 = makeAction(Analiza1, "Pokaz1", QStringLiteral("&Pokaż..."), QKeySequence(Qt::CTRL | Qt::Key_G));
    buildAnalysis();

    Pomoc1 = makeMenu(MainMenu1, "Pomoc1", QStringLiteral("Pomo&c"));
    MainMenu1->addMenu(Pomoc1);
    Oprogramie1 = makeAction(Pomoc1, "Oprogramie1", QStringLiteral("&O programie"));
}

void TForm1::buildDialogs()
{
    auto makeDialog = [this](const char* name, QFileDialog::AcceptMode mode, const QStringList& filters,
                          const QString& suffix) {
        auto* dialog = named(new QFileDialog(this), name);
        // A dialog is a window of its own and would not inherit the window's font.
        dialog->setFont(windowFont());
        dialog->setAcceptMode(mode);
        dialog->setNameFilters(filters);
        dialog->setDefaultSuffix(suffix);
        if (mode == QFileDialog::AcceptOpen)
            dialog->setFileMode(QFileDialog::ExistingFile);
        WindowFileDialogs::stopWatching(dialog); // until it is shown
        return dialog;
    };
    OpenDialog1 = makeDialog("OpenDialog1", QFileDialog::AcceptOpen,
        {QStringLiteral("Tessavo files (*.ini *.lay)"), QStringLiteral("*.ini"), QStringLiteral("*.lay")}, QString());
    SaveDialog2 = makeDialog("SaveDialog2", QFileDialog::AcceptSave, {QStringLiteral("*.ini")}, QStringLiteral("ini"));
    SaveDialog1 = makeDialog("SaveDialog1", QFileDialog::AcceptSave, {QStringLiteral("*.lay")}, QStringLiteral("lay"));
    SavePictureDialog1 = makeDialog("SavePictureDialog1", QFileDialog::AcceptSave,
        {QStringLiteral("JPEG Image File (*.jpg)"), QStringLiteral("Bitmaps (*.bmp)")}, QStringLiteral("bmp"));
}

void TForm1::setFocusOrder()
{
    // Top level: Typwykresu, Panel1, GroupBox1, GroupBox2, GroupBox3, GroupBox4; inside each
    // container in its own order.
    const QList<QWidget*> order = {Typwykresu->button(0), Typwykresu->button(1), Warunki->button(0),
        Warunki->button(1), ComboBox1, ComboBox2, ComboBox3, ScrollBar2, ScrollBar1, Button2, CheckBox2,
        Button1, ScrollBar6, ScrollBar7, CheckBox1, ScrollBar3, Edit1, Edit2};
    for (int i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
}

TAboutBox* TForm1::aboutBox()
{
    if (!aboutBox_) {
        ownAboutBox_ = std::make_unique<TAboutBox>();
        aboutBox_ = ownAboutBox_.get();
    }
    return aboutBox_;
}
