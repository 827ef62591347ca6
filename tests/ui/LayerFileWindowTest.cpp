// Layer files in the window: saving the lattice as the dialog leaves it, loading through the
// size bars and Reset, errors that stop at their field, and files shared with tessavo-batch.
#include "FormFixture.h"

#include "files/LayerFile.h"
#include "ScriptedDialogs.h"

#include "files/IniFile.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>

#include <limits>
#include <vector>

namespace {

// A row of `count` fields 1, 2, 3 ... each followed by "|".
QByteArray row(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += QByteArray::number(i) + '|';
    return text;
}

struct Window : FormFixture {
    ScriptedDialogs dialogs;
    Window() { form->setFileDialogs(&dialogs); }

    void save(const QString& name)
    {
        dialogs.saveLayerName = name;
        form->Zapiszwarstw1->trigger();
    }
    void load(const QString& name)
    {
        dialogs.open = name;
        form->Otwrz1->trigger();
    }
};

// Runs the batch tool built beside this test; true when it ran and exited with 0.
bool runBatch(const QStringList& arguments, QString* errors)
{
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tessavo-batch"),
        QStringList{QStringLiteral("--quiet")} + arguments);
    const bool ok = tool.waitForFinished(120000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    *errors = QString::fromLocal8Bit(tool.readAllStandardError());
    return ok;
}

} // namespace

class LayerFileWindowTest : public QObject {
    Q_OBJECT
private slots:
    void saveTakesTheLatticeAfterTheDialog();
    void roundTripRestoresHeightsAndGrowsOn();
    void loadUsesTheBarsCouplingAndOneMoreReset();
    void shortRowWithSquareBoxFailsAtItsField();
    void fileWithoutRowsFailsAtRowZero();
    void failedWriteIsReported();
    void handWrittenLayerLoads();
    void batchToolReadsTheWindowsFiles();
    void windowReadsTheBatchToolsLayer();
};

void LayerFileWindowTest::saveTakesTheLatticeAfterTheDialog()
{
    Window f;
    TForm1& w = *f.form;
    ScratchDir scratch;
    w.ScrollBar6->setValue(30);
    w.ScrollBar7->setValue(20);
    // The animation runs while the dialog is open: two more ticks go into the file.
    f.dialogs.whileOpen = [&w] {
        w.Timer1Timer();
        w.Timer1Timer();
    };
    const QString name = scratch.path(QStringLiteral("l.lay"));
    f.save(name);
    const IniFile ini(name.toStdString());
    QCOMPARE(ini.ReadString("layer", "x", ""), std::string("30"));
    QCOMPARE(ini.ReadString("layer", "y", ""), std::string("20"));
    for (int32_t r = 0; r < 20; ++r)
        QCOMPARE(ini.ReadString("layer", "x" + std::to_string(r), ""), LayerFile::rowText(*w.sim->lattice, r));
    QCOMPARE(ini.ReadString("layer", "x20", "none"), std::string("none"));
    QVERIFY(totalHeight(*w.sim->lattice) > 0);
}

void LayerFileWindowTest::roundTripRestoresHeightsAndGrowsOn()
{
    ScratchDir scratch;
    const QString name = scratch.path(QStringLiteral("grown.lay"));
    std::vector<int32_t> saved;
    {
        Window f;
        TForm1& w = *f.form;
        w.ScrollBar6->setValue(20);
        w.ScrollBar7->setValue(12);
        w.ScrollBar3->setValue(1000); // one layer per tick: bottom layers fill up
        w.CheckBox2->setChecked(true);
        for (int i = 0; i < 6; ++i)
            w.Timer1Timer();
        QVERIFY(w.sim->heightOffset > 0);
        QVERIFY(w.sim->deposited > 0);
        saved = heights(*w.sim->lattice);
        f.save(name);
    }
    // A new window stands for a new run of the program.
    Window f;
    TForm1& w = *f.form;
    QSignalSpy resets(&w, &TForm1::simulationReset);
    f.load(name);
    QVERIFY(f.errors.messages.isEmpty());
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(20, 12));
    QCOMPARE(heights(*w.sim->lattice), saved);
    QCOMPARE(w.sim->deposited, 0.0);
    QCOMPARE(w.sim->heightOffset, 0);
    QCOMPARE(resets.count(), 3); // two size bars and the load's own
    const int64_t loaded = totalHeight(*w.sim->lattice);
    w.Timer1Timer();
    QVERIFY(totalHeight(*w.sim->lattice) > loaded);
}

void LayerFileWindowTest::loadUsesTheBarsCouplingAndOneMoreReset()
{
    Window f;
    TForm1& w = *f.form;
    ScratchDir scratch;
    const QString name = scratch.path(QStringLiteral("wide.lay"));
    // "x" 200 gives 100 columns of the first 100 fields.
    QByteArray text = "[layer]\r\nx=200\r\ny=10\r\n";
    for (int r = 0; r < 10; ++r)
        text += "x" + QByteArray::number(r) + "=" + row(200) + "\r\n";
    QVERIFY(writeFile(name, text));
    for (int i = 0; i < 3; ++i)
        w.Timer1Timer();
    QSignalSpy resets(&w, &TForm1::simulationReset);
    f.load(name);
    QVERIFY(f.errors.messages.isEmpty());
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(100, 10));
    QCOMPARE(w.sim->lattice->get(9, 99), 100);
    QCOMPARE(resets.count(), 3);
    QCOMPARE(w.chart->writeIndex, 0); // a new, empty history

    // Same size again: neither bar moves, yet the load resets once.
    resets.clear();
    f.load(name);
    QCOMPARE(resets.count(), 1);
}

void LayerFileWindowTest::shortRowWithSquareBoxFailsAtItsField()
{
    Window f;
    TForm1& w = *f.form;
    ScratchDir scratch;
    w.CheckBox1->setChecked(true);
    const QString name = scratch.path(QStringLiteral("tall.lay"));
    QByteArray text = "[layer]\r\nx=30\r\ny=60\r\n";
    for (int r = 0; r < 60; ++r)
        text += "x" + QByteArray::number(r) + "=" + row(30) + "\r\n";
    QVERIFY(writeFile(name, text));
    f.load(name);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'' is not a valid integer value.")});
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(60, 60));
    for (int c = 0; c < 30; ++c)
        QCOMPARE(w.sim->lattice->get(0, c), c + 1);
    for (int c = 30; c < 60; ++c)
        QCOMPARE(w.sim->lattice->get(0, c), 0);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(30 * 31 / 2));
    // Not repainted: the picture is still the flat lattice of the Reset.
    const QImage shown = w.surfaceBmp.image().copy();
    w.FormPaint();
    QVERIFY(w.surfaceBmp.image() != shown);
}

void LayerFileWindowTest::fileWithoutRowsFailsAtRowZero()
{
    Window f;
    TForm1& w = *f.form;
    ScratchDir scratch;
    const QString name = scratch.path(QStringLiteral("bare.lay"));
    QVERIFY(writeFile(name, "[layer]\r\nx=20\r\ny=15\r\n"));
    for (int i = 0; i < 3; ++i)
        w.Timer1Timer();
    f.load(name);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'' is not a valid integer value.")});
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(20, 15));
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(0));

    // A failing Reset (bad relaxation text) ends the load before any row is read.
    QVERIFY(writeFile(name, "[layer]\r\nx=40\r\ny=40\r\nx0=" + row(40) + "\r\n"));
    w.Edit2->setText(QStringLiteral("r"));
    f.errors.messages.clear();
    f.load(name);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'r' is not a valid integer value.")});
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(20, 15));
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(0));
}

void LayerFileWindowTest::failedWriteIsReported()
{
    Window f;
    ScratchDir scratch;
    const QString name = scratch.path(QStringLiteral("missing/l.lay"));
    f.save(name);
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("Unable to write to %1.").arg(name)});
    // Cancelled: nothing is asked of the file system at all.
    f.errors.messages.clear();
    f.save(QString());
    QVERIFY(f.errors.messages.isEmpty());
    QVERIFY(scratch.files().isEmpty());
}

void LayerFileWindowTest::handWrittenLayerLoads()
{
    // CRLF, names in other letter cases, blanks around names and values, another section
    // with a key of the same name.
    const QString name = QFINDTESTDATA("../data/hand-written.lay");
    QVERIFY(!name.isEmpty());
    Window f;
    TForm1& w = *f.form;
    f.load(name);
    QVERIFY(f.errors.messages.isEmpty());
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(12, 10));
    QCOMPARE(LayerFile::rowText(*w.sim->lattice, 0), std::string("3|0|12|3|4|5|6|0|1|2|3|4|"));
    QCOMPARE(LayerFile::rowText(*w.sim->lattice, 4), std::string("6|0|1|2|3|4|5|6|0|1|2|3|"));
    // Extreme heights load as they are and are drawn without trouble.
    QCOMPARE(w.sim->lattice->get(9, 0), std::numeric_limits<int32_t>::max());
    QCOMPARE(w.sim->lattice->get(9, 1), std::numeric_limits<int32_t>::min());
    QCOMPARE(w.sim->lattice->get(9, 11), -1);
    QVERIFY(inkedPixels(w.surfaceBmp) > 0);
}

void LayerFileWindowTest::batchToolReadsTheWindowsFiles()
{
    Window f;
    TForm1& w = *f.form;
    ScratchDir scratch;
    // Configuration: 30 x 20, one layer per tick, three layers in all.
    w.ScrollBar6->setValue(30);
    w.ScrollBar7->setValue(20);
    w.ScrollBar3->setValue(1000);
    w.Edit1->setText(QStringLiteral("3"));
    f.dialogs.saveConfig = scratch.path(QStringLiteral("w.ini"));
    w.Zapisz1->trigger();
    QString errors;
    QVERIFY2(runBatch({"--seed", "7", "--steps", "10", "--config", scratch.path("w.ini"), "--save-layer",
                          scratch.path("b.lay")},
                 &errors),
        qPrintable(errors));
    const IniFile grown(scratch.path(QStringLiteral("b.lay")).toStdString());
    QCOMPARE(grown.ReadInteger("layer", "x", 0), 30);
    QCOMPARE(grown.ReadInteger("layer", "y", 0), 20);
    Window g;
    g.load(scratch.path(QStringLiteral("b.lay")));
    QCOMPARE(totalHeight(*g.form->sim->lattice), int64_t(3 * 30 * 20));

    // Layer: the tool starts from the window's lattice and, with no ticks, writes it back.
    for (int i = 0; i < 4; ++i)
        w.Timer1Timer();
    f.save(scratch.path(QStringLiteral("w.lay")));
    QVERIFY2(runBatch({"--seed", "1", "--steps", "0", "--layer", scratch.path("w.lay"), "--save-layer",
                          scratch.path("again.lay")},
                 &errors),
        qPrintable(errors));
    const IniFile again(scratch.path(QStringLiteral("again.lay")).toStdString());
    for (int32_t r = 0; r < 20; ++r)
        QCOMPARE(again.ReadString("layer", "x" + std::to_string(r), ""), LayerFile::rowText(*w.sim->lattice, r));
}

void LayerFileWindowTest::windowReadsTheBatchToolsLayer()
{
    ScratchDir scratch;
    QString errors;
    QVERIFY2(runBatch({"--seed", "11", "--steps", "25", "--size", "40x25", "--dep", "200", "--save-layer",
                          scratch.path("t.lay")},
                 &errors),
        qPrintable(errors));
    Window f;
    TForm1& w = *f.form;
    f.load(scratch.path(QStringLiteral("t.lay")));
    QVERIFY(f.errors.messages.isEmpty());
    QCOMPARE(QSize(w.sim->sizeX, w.sim->sizeY), QSize(40, 25));
    // 25 ticks of 200 particles each, all kept by the lattice.
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t(25 * 200));
    const IniFile ini(scratch.path(QStringLiteral("t.lay")).toStdString());
    for (int32_t r = 0; r < 25; ++r)
        QCOMPARE(LayerFile::rowText(*w.sim->lattice, r), ini.ReadString("layer", "x" + std::to_string(r), ""));
}

QTEST_MAIN(LayerFileWindowTest)
#include "LayerFileWindowTest.moc"
