// The model menu: choosing a growth model starts a new film with it and greys the controls of
// Tessavo's own relaxation; a configuration keeps a textbook model in one key of its own and
// stays as before for Tessavo's; the analysis window names the model; the captions switch
// language.
#include "FormFixture.h"
#include "ScriptedDialogs.h"

#include "ui/AnalysisWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QMenu>

namespace {

QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QAction* item(TForm1& w, GrowthModel m)
{
    return w.modelItems[static_cast<size_t>(m)];
}

} // namespace

class ModelMenuTest : public QObject {
    Q_OBJECT
private slots:
    void choosingAModelStartsANewFilmWithIt();
    void aTextbookModelIsSavedInOneKeyAndLoadedBack();
};

void ModelMenuTest::choosingAModelStartsANewFilmWithIt()
{
    FormFixture f;
    TForm1& w = *f.form;
    QCOMPARE(w.Model1->actions().size(), int(growthModels.size()));
    QVERIFY(item(w, GrowthModel::Tessavo)->isChecked());
    for (int i = 0; i < 20; ++i)
        w.Timer1Timer();
    QVERIFY(w.sim->deposited > 0);

    item(w, GrowthModel::Rsos)->trigger();
    QCOMPARE(w.sim->model, GrowthModel::Rsos);
    QCOMPARE(w.sim->deposited, 0.0);
    QCOMPARE(totalHeight(*w.sim->lattice), int64_t{0});
    QCOMPARE(w.checkedModel(), GrowthModel::Rsos);
    QVERIFY(!item(w, GrowthModel::Tessavo)->isChecked());
    QVERIFY(!w.GroupBox4->isEnabled() && !w.Panel1->isEnabled());
    QCOMPARE(w.analysisWindow()->windowTitle(), QStringLiteral("Tessavo — Analiza — Ograniczony model SOS (RSOS)"));
    w.Timer1Timer();
    QCOMPARE(w.sim->model, GrowthModel::Rsos);

    w.English1->trigger(); // the shipped lang.ini
    QCOMPARE(w.Model1->title(), QStringLiteral("&Model"));
    QCOMPARE(item(w, GrowthModel::Rsos)->text(), QStringLiteral("Restricted &solid-on-solid (RSOS)"));
    QCOMPARE(w.analysisWindow()->windowTitle(), QStringLiteral("Tessavo — Analysis — Restricted solid-on-solid (RSOS)"));

    // Back to Tessavo's model: its controls come back as the neighbour rule leaves them.
    item(w, GrowthModel::Tessavo)->trigger();
    QCOMPARE(w.sim->model, GrowthModel::Tessavo);
    QVERIFY(w.GroupBox4->isEnabled() && w.Panel1->isEnabled());
    QVERIFY(w.ComboBox1->isEnabled() && !w.ComboBox2->isEnabled());
    QCOMPARE(w.analysisWindow()->windowTitle(), QStringLiteral("Tessavo — Analysis"));
    QVERIFY(f.errors.messages.isEmpty());
}

void ModelMenuTest::aTextbookModelIsSavedInOneKeyAndLoadedBack()
{
    FormFixture f;
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    f.form->setFileDialogs(&dialogs);
    const auto save = [&](const QString& name) {
        dialogs.saveConfig = scratch.path(name);
        f.form->Zapisz1->trigger();
        return readFile(scratch.path(name));
    };

    const QByteArray own = save(QStringLiteral("tessavo.ini"));
    QVERIFY(!own.contains("model"));
    item(*f.form, GrowthModel::Bd)->trigger();
    QByteArray bd = save(QStringLiteral("bd.ini"));
    const QByteArray key = "[model]\r\nname=bd\r\n";
    QVERIFY(bd.contains(key));
    QCOMPARE(bd.replace(key, ""), own);

    FormFixture other;
    other.form->setFileDialogs(&dialogs);
    dialogs.open = scratch.path(QStringLiteral("bd.ini"));
    other.form->Otwrz1->trigger();
    QCOMPARE(other.form->sim->model, GrowthModel::Bd);
    QVERIFY(item(*other.form, GrowthModel::Bd)->isChecked() && !other.form->Panel1->isEnabled());

    // Saved over with Tessavo's model, the file names it, so that it loads as saved.
    item(*f.form, GrowthModel::Tessavo)->trigger();
    QVERIFY(save(QStringLiteral("bd.ini")).contains("[model]\r\nname=tessavo\r\n"));
    other.form->Otwrz1->trigger();
    QCOMPARE(other.form->sim->model, GrowthModel::Tessavo);
    QVERIFY(f.errors.messages.isEmpty() && other.errors.messages.isEmpty());
}

QTEST_MAIN(ModelMenuTest)
#include "ModelMenuTest.moc"
