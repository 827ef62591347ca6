// Configuration files in the window: what saving writes, and loading key by key through the
// controls with their handlers, the language and the colour scheme.
#include "FormFixture.h"
#include "ScriptedDialogs.h"

#include "files/IniFile.h"
#include "i18n/Caption.h"
#include "ui/RadioGroup.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>

namespace {

QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::string value(const QString& file, const char* section, const char* key)
{
    return IniFile(file.toStdString()).ReadString(section, key, "<missing>");
}

// A window with scripted dialogs and a scratch directory.
struct Window : FormFixture {
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    Window() { form->setFileDialogs(&dialogs); }

    void save(const QString& name)
    {
        dialogs.saveConfig = scratch.path(name);
        form->Zapisz1->trigger();
    }
    void load(const QString& name)
    {
        dialogs.open = scratch.path(name);
        form->Otwrz1->trigger();
    }
    bool file(const QString& name, const QByteArray& text) { return writeFile(scratch.path(name), text); }
};

// Everything a configuration restores, as the window shows it.
struct Snapshot {
    QList<int> bars;
    bool square, autoHeight;
    QString max, relax;
    int zmode, chart, z, zx, zy;
    int originX, originY, drawX, drawY;
    bool polish, english;
    QList<bool> colours;
    QStringList captions;
    bool operator==(const Snapshot&) const = default;

    static Snapshot of(const TForm1& w)
    {
        return {{w.ScrollBar1->value(), w.ScrollBar2->value(), w.ScrollBar3->value(), w.ScrollBar6->value(),
                    w.ScrollBar7->value()},
            w.CheckBox1->isChecked(), w.CheckBox2->isChecked(), w.Edit1->text(), w.Edit2->text(),
            w.Warunki->itemIndex(), w.Typwykresu->itemIndex(), w.ComboBox1->currentIndex(),
            w.ComboBox2->currentIndex(), w.ComboBox3->currentIndex(), w.originX, w.originY, w.drawX, w.drawY,
            w.Polski1->isChecked(), w.English1->isChecked(),
            {w.Zielony1->isChecked(), w.Czerwony1->isChecked(), w.Niebieski1->isChecked(), w.Mieszane1->isChecked(),
                w.Mieszane2->isChecked()},
            w.currentCaptions()};
    }
};

} // namespace

class ConfigFileTest : public QObject {
    Q_OBJECT
private slots:
    void startSettingsSaveInSectionOrder();
    void savingOverAFileKeepsItsOtherKeys();
    void englishInterfaceSavesLanguageTwo();
    void secondMixedPaletteSavesNoColourAndLoadsGreen();
    void failedWriteIsReported();
    void cancelledDialogsChangeNothing();
    void emptyFileLoadsTheDefaults();
    void sizeIsAppliedBeforeSquare();
    void unchangedSizeKeepsTheRunningLattice();
    void outOfRangeValuesAreClampedByTheControls();
    void onlyLowerCaseExtensionsLoad();
    void badEditTextIsShownAndTheLoadGoesOn();
    void failingResetEndsTheLoad();
    void saveChangeLoadRestoresTheWindow();
    void handWrittenFileLoads();
};

void ConfigFileTest::startSettingsSaveInSectionOrder()
{
    Window f;
    QVERIFY(f.showAndWait()); // the first paint sets the drawn origin
    f.save(QStringLiteral("start.ini"));
    QVERIFY(f.errors.messages.isEmpty());

    const QByteArray text = readFile(f.scratch.path(QStringLiteral("start.ini")));
    qsizetype at = -1;
    for (const char* section : {"[grid]", "[layers]", "[conditions]", "[animation]", "[relaxation]", "[options]",
             "[language1]"}) {
        const qsizetype next = text.indexOf(section);
        QVERIFY2(next > at, section);
        at = next;
    }
    QVERIFY(text.contains("[grid]\r\nx=50\r\ny=50\r\nsquare=0\r\n"));
    QVERIFY(text.contains("autoheight=0\r\nxabs=210\r\nyabs=190\r\n"));
    QVERIFY(text.contains("[layers]\r\ndep=10\r\nmax=50\r\n"));
    QVERIFY(text.contains("[options]\r\nlanguage=1\r\ncolor=mixed\r\n"));

    // The 38 captions of the window, in Polish, laid out as the language file's section.
    const QString name = f.scratch.path(QStringLiteral("start.ini"));
    const std::vector<Caption>& table = captionTable();
    for (const Caption& c : table)
        QCOMPARE(value(name, "language1", c.key), std::string(c.polish));
    const qsizetype captions = text.indexOf("[language1]");
    QCOMPARE(text.mid(captions).count('\n'), qsizetype(table.size() + 1));
    QVERIFY(text.contains("ani=Animacja\r\n"));
    QVERIFY(text.contains("open=&Otw\xf3rz...\r\n")); // Windows-1250 on disk
}

void ConfigFileTest::savingOverAFileKeepsItsOtherKeys()
{
    Window f;
    QVERIFY(f.file(QStringLiteral("old.ini"), "; mine\r\n[grid]\r\nx=99\r\nnote=keep me\r\n[extra]\r\na=b\r\n"));
    f.form->ScrollBar6->setValue(40);
    f.save(QStringLiteral("old.ini"));
    const QString name = f.scratch.path(QStringLiteral("old.ini"));
    QCOMPARE(value(name, "grid", "x"), std::string("40"));
    QCOMPARE(value(name, "grid", "note"), std::string("keep me"));
    QCOMPARE(value(name, "extra", "a"), std::string("b"));
    QVERIFY(readFile(name).startsWith("; mine\r\n[grid]\r\nx=40\r\nnote=keep me\r\n"));
}

void ConfigFileTest::englishInterfaceSavesLanguageTwo()
{
    Window f;
    f.form->English1Click();
    f.save(QStringLiteral("en.ini"));
    const QString name = f.scratch.path(QStringLiteral("en.ini"));
    QCOMPARE(value(name, "options", "language"), std::string("2"));
    QCOMPARE(value(name, "language1", "ani"), std::string("Animation"));
    QCOMPARE(value(name, "language1", "open"), std::string("&Open..."));
    QCOMPARE(value(name, "language2", "ani"), std::string("<missing>"));
}

void ConfigFileTest::secondMixedPaletteSavesNoColourAndLoadsGreen()
{
    Window f;
    TForm1& w = *f.form;
    w.Niebieski1->trigger();
    f.save(QStringLiteral("blue.ini"));
    QCOMPARE(value(f.scratch.path(QStringLiteral("blue.ini")), "options", "color"), std::string("blue"));

    w.Mieszane2->trigger();
    f.save(QStringLiteral("p2.ini"));
    QCOMPARE(value(f.scratch.path(QStringLiteral("p2.ini")), "options", "color"), std::string("<missing>"));
    f.load(QStringLiteral("p2.ini"));
    QVERIFY(w.Zielony1->isChecked());
    QVERIFY(!w.Mieszane2->isChecked());
    QCOMPARE(w.sim->palette, 0);

    f.load(QStringLiteral("blue.ini"));
    QVERIFY(w.Niebieski1->isChecked());
    QCOMPARE(w.sim->palette, 2);
    QVERIFY(f.errors.messages.isEmpty());
}

void ConfigFileTest::failedWriteIsReported()
{
    Window f;
    const QString name = f.scratch.path(QStringLiteral("no/such/dir/a.ini"));
    f.dialogs.saveConfig = name;
    f.form->Zapisz1->trigger();
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("Unable to write to %1.").arg(name)});
    QVERIFY(!QFile::exists(name));
}

void ConfigFileTest::cancelledDialogsChangeNothing()
{
    Window f;
    TForm1& w = *f.form;
    QVERIFY(f.file(QStringLiteral("a.ini"), "[grid]\r\nx=30\r\n"));
    f.load(QStringLiteral("a.ini"));
    QCOMPARE(w.ScrollBar6->value(), 30);
    QSignalSpy resets(&w, &TForm1::simulationReset);
    w.ScrollBar6->setValue(44);
    f.dialogs.open.clear();
    f.dialogs.saveConfig.clear();
    w.Otwrz1->trigger();
    w.Zapisz1->trigger();
    QCOMPARE(f.dialogs.asked, (QStringList{"open", "open", "config"}));
    QCOMPARE(w.ScrollBar6->value(), 44);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(f.scratch.files(), QStringList{QStringLiteral("a.ini")});
}

void ConfigFileTest::emptyFileLoadsTheDefaults()
{
    Window f;
    TForm1& w = *f.form;
    // Move everything away from the table's defaults first.
    w.ScrollBar6->setValue(70);
    w.ScrollBar7->setValue(20);
    w.ScrollBar3->setValue(300);
    w.Edit1->setText(QStringLiteral("9"));
    w.Edit2->setText(QStringLiteral("2"));
    w.Warunki->setItemIndex(1);
    w.ComboBox1->setCurrentIndex(4);
    w.ComboBox2->setCurrentIndex(3);
    w.ComboBox3->setCurrentIndex(0);
    w.ScrollBar2->setValue(10);
    w.ScrollBar1->setValue(10);
    w.CheckBox2->setChecked(true);
    w.Typwykresu->setItemIndex(1);
    w.originX = w.drawX = 5;
    w.English1Click();
    w.Czerwony1Click();

    QVERIFY(f.file(QStringLiteral("empty.ini"), ""));
    f.load(QStringLiteral("empty.ini"));
    QVERIFY(f.errors.messages.isEmpty());
    QCOMPARE(w.sim->sizeX, 50);
    QCOMPARE(w.sim->sizeY, 50);
    QCOMPARE(w.ScrollBar3->value(), 10);
    QCOMPARE(w.Edit1->text(), QStringLiteral("50.0"));
    QCOMPARE(w.sim->maxLayers, 50.0);
    QCOMPARE(w.Warunki->itemIndex(), 0);
    QCOMPARE(w.sim->zmode, 0);
    QCOMPARE(w.ComboBox1->currentIndex(), 0);
    QCOMPARE(w.ComboBox2->currentIndex(), 1);
    QCOMPARE(w.ComboBox3->currentIndex(), 1);
    QCOMPARE(w.ScrollBar2->value(), 80);
    QCOMPARE(w.Timer1->interval(), 210);
    QCOMPARE(w.ScrollBar1->value(), 7);
    QCOMPARE(w.cellSize, 7);
    QVERIFY(!w.CheckBox2->isChecked());
    QVERIFY(!w.autoHeight);
    QCOMPARE(QPoint(w.originX, w.originY), QPoint(210, 190));
    QCOMPARE(QPoint(w.drawX, w.drawY), QPoint(210, 190));
    QCOMPARE(w.Typwykresu->itemIndex(), 0);
    QCOMPARE(w.Edit2->text(), QStringLiteral("5"));
    QCOMPARE(w.sim->relaxations, 5);
    QVERIFY(w.Polski1->isChecked() && !w.English1->isChecked());
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Animacja"));
    QVERIFY(w.Zielony1->isChecked() && !w.Czerwony1->isChecked());
    QCOMPARE(w.sim->palette, 0);
}

void ConfigFileTest::sizeIsAppliedBeforeSquare()
{
    for (const bool ticked : {true, false}) {
        Window f;
        TForm1& w = *f.form;
        w.CheckBox1->setChecked(ticked);
        QVERIFY(f.file(QStringLiteral("s.ini"), "[grid]\r\nx=30\r\ny=60\r\nsquare=0\r\n"));
        f.load(QStringLiteral("s.ini"));
        // Ticked: x 30 pulls y along, y 60 pulls x along, then the box is unticked.
        const QSize expected = ticked ? QSize(60, 60) : QSize(30, 60);
        QCOMPARE(QSize(w.ScrollBar6->value(), w.ScrollBar7->value()), expected);
        QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), expected);
        QVERIFY(!w.CheckBox1->isChecked());
        QVERIFY(f.errors.messages.isEmpty());
    }
}

void ConfigFileTest::unchangedSizeKeepsTheRunningLattice()
{
    Window f;
    TForm1& w = *f.form;
    for (int i = 0; i < 4; ++i)
        w.Timer1Timer();
    const double deposited = w.sim->deposited;
    const int64_t total = totalHeight(*w.sim->lattice);
    QVERIFY(total > 0);
    const int32_t z = w.sim->z;

    QVERIFY(f.file(QStringLiteral("same.ini"),
        "[grid]\r\nx=50\r\ny=50\r\nsquare=0\r\n[layers]\r\ndep=500\r\nmax=7\r\n"
        "[conditions]\r\nzmode=1\r\nz=4\r\nzx=3\r\nzy=0\r\n[relaxation]\r\nt=1\r\n"));
    QSignalSpy resets(&w, &TForm1::simulationReset);
    f.load(QStringLiteral("same.ini"));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(w.sim->deposited, deposited);
    QCOMPARE(totalHeight(*w.sim->lattice), total);
    // The handlers of the rate, the edit boxes and the conditions took effect at once...
    QCOMPARE(w.sim->rate, 0.5);
    QCOMPARE(w.sim->maxLayers, 7.0);
    QCOMPARE(w.sim->relaxations, 1);
    QCOMPARE(w.sim->zmode, 1);
    // ...while the thresholds wait for the next Reset.
    QCOMPARE(w.ComboBox1->currentIndex(), 4);
    QCOMPARE(w.sim->z, z);
    QCOMPARE(w.sim->zx, 1);
    QCOMPARE(w.sim->zy, 1);
    w.Button1Click();
    QCOMPARE(w.sim->z, 4);
    QCOMPARE(w.sim->zx, 3);
    QCOMPARE(w.sim->zy, 0);
}

void ConfigFileTest::outOfRangeValuesAreClampedByTheControls()
{
    Window f;
    TForm1& w = *f.form;
    QVERIFY(f.file(QStringLiteral("far.ini"),
        "[grid]\r\nx=5\r\ny=500\r\n[layers]\r\ndep=0\r\n[conditions]\r\nzmode=7\r\nz=9\r\nzx=-3\r\nzy=2\r\n"
        "[animation]\r\nspeed=1000\r\nzoom=1\r\nchart=-5\r\nxabs=-40\r\nyabs=junk\r\n"));
    f.load(QStringLiteral("far.ini"));
    QCOMPARE(w.sim->sizeX, 10);
    QCOMPARE(w.sim->sizeY, 100);
    QCOMPARE(w.ScrollBar3->value(), 1);
    QCOMPARE(w.Warunki->itemIndex(), 1);
    QCOMPARE(w.ComboBox1->currentIndex(), -1);
    QCOMPARE(w.ComboBox2->currentIndex(), -1);
    QCOMPARE(w.ComboBox3->currentIndex(), 2);
    QCOMPARE(w.ScrollBar2->value(), 100);
    QCOMPARE(w.ScrollBar1->value(), 5);
    QCOMPARE(w.Typwykresu->itemIndex(), -1);
    QCOMPARE(QPoint(w.originX, w.originY), QPoint(-40, 190));
    // A combo box without a selection gives its threshold as -1 at the next Reset.
    w.Button1Click();
    QCOMPARE(w.sim->z, -1);
    QCOMPARE(w.sim->zx, -1);
}

void ConfigFileTest::onlyLowerCaseExtensionsLoad()
{
    Window f;
    TForm1& w = *f.form;
    QSignalSpy resets(&w, &TForm1::simulationReset);
    const QByteArray text = "[grid]\r\nx=30\r\n[options]\r\ncolor=red\r\n[layer]\r\nx=30\r\n";
    for (const char* name : {"a.INI", "a.Ini", "a.LAY", "a.txt", "noextension", "dir.ini/file"}) {
        const QString file = QString::fromLatin1(name);
        if (file.contains(QLatin1Char('/')))
            QVERIFY(QDir(f.scratch.dir.path()).mkpath(file.section(QLatin1Char('/'), 0, 0)));
        QVERIFY(f.file(file, text));
        f.load(file);
    }
    QCOMPARE(w.ScrollBar6->value(), 50);
    QVERIFY(w.Mieszane1->isChecked());
    QCOMPARE(resets.count(), 0);
    QVERIFY(f.errors.messages.isEmpty());

    QVERIFY(f.file(QStringLiteral("b.ini"), text));
    f.load(QStringLiteral("b.ini"));
    QCOMPARE(w.ScrollBar6->value(), 30);
    QVERIFY(w.Czerwony1->isChecked());
}

void ConfigFileTest::badEditTextIsShownAndTheLoadGoesOn()
{
    Window f;
    TForm1& w = *f.form;
    QVERIFY(f.file(QStringLiteral("bad.ini"),
        "[layers]\r\nmax=lots\r\n[animation]\r\nzoom=9\r\n[relaxation]\r\nt=x1\r\n[options]\r\nlanguage=2\r\n"));
    f.load(QStringLiteral("bad.ini"));
    QCOMPARE(f.errors.messages, (QStringList{QStringLiteral("'lots' is not a valid floating point value."),
                                    QStringLiteral("'x1' is not a valid integer value.")}));
    QCOMPARE(w.Edit1->text(), QStringLiteral("lots"));
    QCOMPARE(w.Edit2->text(), QStringLiteral("x1"));
    QCOMPARE(w.sim->maxLayers, 50.0);
    QCOMPARE(w.sim->relaxations, 5);
    // The keys after the bad texts were applied all the same.
    QCOMPARE(w.cellSize, 9);
    QVERIFY(w.English1->isChecked());
    QVERIFY(w.Zielony1->isChecked());
}

void ConfigFileTest::failingResetEndsTheLoad()
{
    Window f;
    TForm1& w = *f.form;
    w.Edit2->setText(QStringLiteral("?")); // shown at once; Reset will fail on it
    f.errors.messages.clear();
    QVERIFY(f.file(QStringLiteral("size.ini"), "[grid]\r\nx=30\r\ny=70\r\n[animation]\r\nzoom=9\r\n"));
    f.load(QStringLiteral("size.ini"));
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'?' is not a valid integer value.")});
    QCOMPARE(w.ScrollBar6->value(), 30); // applied, its Reset failed
    QCOMPARE(w.sim->sizeX, 50);          // the simulation in force stays
    QCOMPARE(w.ScrollBar7->value(), 50); // never applied
    QCOMPARE(w.cellSize, 7);
    QVERIFY(w.Mieszane1->isChecked());
}

void ConfigFileTest::saveChangeLoadRestoresTheWindow()
{
    Window f;
    TForm1& w = *f.form;
    QVERIFY(f.showAndWait());
    w.ScrollBar6->setValue(64);
    w.ScrollBar7->setValue(32);
    w.ScrollBar3->setValue(123);
    w.Edit1->setText(QStringLiteral("12"));
    w.Warunki->setItemIndex(1);
    w.ComboBox1->setCurrentIndex(3);
    w.ComboBox2->setCurrentIndex(2);
    w.ComboBox3->setCurrentIndex(3);
    w.ScrollBar2->setValue(55);
    w.ScrollBar1->setValue(9);
    w.CheckBox2->setChecked(true);
    w.Typwykresu->setItemIndex(1);
    w.Edit2->setText(QStringLiteral("3"));
    w.FormMouseDown(Qt::LeftButton, 100, 100);
    w.FormMouseMove(130, 80);
    w.FormMouseUp(Qt::LeftButton, 130, 80);
    w.English1Click();
    w.Niebieski1Click();
    const Snapshot saved = Snapshot::of(w);
    QCOMPARE(QPoint(saved.originX, saved.originY), QPoint(240, 170));
    f.save(QStringLiteral("all.ini"));

    // Change everything.
    w.ScrollBar6->setValue(20);
    w.ScrollBar7->setValue(90);
    w.ScrollBar3->setValue(1000);
    w.Edit1->setText(QStringLiteral("99"));
    w.Warunki->setItemIndex(0);
    w.ComboBox1->setCurrentIndex(0);
    w.ComboBox2->setCurrentIndex(0);
    w.ComboBox3->setCurrentIndex(0);
    w.ScrollBar2->setValue(100);
    w.ScrollBar1->setValue(5);
    w.CheckBox2->setChecked(false);
    w.Typwykresu->setItemIndex(0);
    w.Edit2->setText(QStringLiteral("8"));
    w.originX = w.drawX = 0;
    w.originY = w.drawY = 0;
    w.Polski1Click();
    w.Mieszane2Click();
    QVERIFY(!(Snapshot::of(w) == saved));

    f.load(QStringLiteral("all.ini"));
    QVERIFY(f.errors.messages.isEmpty());
    QVERIFY(Snapshot::of(w) == saved);
    // The simulation follows the controls.
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(64, 32));
    QCOMPARE(w.sim->rate, 0.123);
    QCOMPARE(w.sim->maxLayers, 12.0);
    QCOMPARE(w.sim->relaxations, 3);
    QCOMPARE(w.sim->zmode, 1);
    QCOMPARE(w.sim->palette, 2);
    QCOMPARE(w.cellSize, 9);
    QCOMPARE(w.Timer1->interval(), 460);
    QVERIFY(w.autoHeight);
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("Animation"));
}

void ConfigFileTest::handWrittenFileLoads()
{
    // Windows-1250, CRLF, section and key names in other letter cases, blanks, a hexadecimal
    // speed, a decimal comma, a threshold outside its list and a relaxation text that is no number.
    const QString name = QFINDTESTDATA("../data/hand-written.ini");
    QVERIFY(!name.isEmpty());
    Window f;
    TForm1& w = *f.form;
    f.dialogs.open = name;
    w.Otwrz1->trigger();
    const bool commaLocale = QLocale::system().decimalPoint() == QStringLiteral(",");
    QStringList expected;
    if (!commaLocale)
        expected << QStringLiteral("'12,5' is not a valid floating point value.");
    expected << QStringLiteral("'abc' is not a valid integer value.");
    QCOMPARE(f.errors.messages, expected);
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(30, 60));
    QCOMPARE(w.ScrollBar3->value(), 250);
    QCOMPARE(w.Edit1->text(), QStringLiteral("12,5"));
    QCOMPARE(w.sim->maxLayers, commaLocale ? 12.5 : 50.0);
    QCOMPARE(w.Warunki->itemIndex(), 1);
    QCOMPARE(w.ComboBox1->currentIndex(), 3);
    QCOMPARE(w.ComboBox2->currentIndex(), 0);
    QCOMPARE(w.ComboBox3->currentIndex(), -1);
    QCOMPARE(w.ScrollBar2->value(), 16);
    QCOMPARE(w.cellSize, 9);
    QVERIFY(w.autoHeight);
    QCOMPARE(QPoint(w.originX, w.originY), QPoint(-40, 300));
    QCOMPARE(w.Typwykresu->itemIndex(), 1);
    QCOMPARE(w.Edit2->text(), QStringLiteral("abc"));
    QVERIFY(w.English1->isChecked());
    QVERIFY(w.Niebieski1->isChecked());
    // The captions stored in the file are never read back.
    QCOMPARE(w.Label2->text(), QStringLiteral("speed"));
}

QTEST_MAIN(ConfigFileTest)
#include "ConfigFileTest.moc"
