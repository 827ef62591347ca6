// The language menu: captions from lang.ini, English defaults, and what a switch leaves alone.
#include "FormFixture.h"

#include "i18n/Caption.h"
#include "ui/RadioGroup.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QStringList column(bool polish)
{
    QStringList texts;
    for (const Caption& c : captionTable())
        texts << QString::fromUtf8(polish ? c.polish : c.english);
    return texts;
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithThePolishCaptions();
    void shippedFileSwitchesBothWays();
    void withoutAFileBothChoicesGiveEnglish();
    void aMissingKeyFallsBackAlone();
    void utf8FileIsReadToo();
    void captionsAreShownAsWritten();
    void junkAndHugeFilesDoNoHarm();
    void fileIsReadAnewOnEveryChoice();
    void switchKeepsSelectionsAndTheChart();
};

void LanguageTest::startsWithThePolishCaptions()
{
    FormFixture f;
    QCOMPARE(f.form->currentCaptions(), column(true));
}

void LanguageTest::shippedFileSwitchesBothWays()
{
    // lang.ini sits beside the test program, as beside the window's.
    FormFixture f;
    TForm1& w = *f.form;
    w.English1->trigger();
    QVERIFY(w.English1->isChecked());
    QVERIFY(!w.Polski1->isChecked());
    QCOMPARE(w.currentCaptions(), column(false));
    QCOMPARE(w.Label4->text(), QStringLiteral("Roughness"));
    QCOMPARE(w.Warunki->itemText(1), QStringLiteral("anisotropic"));
    QCOMPARE(w.Kolory1->title(), QStringLiteral("&Colors"));
    QVERIFY(w.Label5->width() >= w.Label5->sizeHint().width());
    w.Polski1->trigger();
    QVERIFY(w.Polski1->isChecked());
    QVERIFY(!w.English1->isChecked());
    QCOMPARE(w.currentCaptions(), column(true));
    // Texts outside the table stay.
    QCOMPARE(w.Button1->text(), QStringLiteral("Reset"));
    QCOMPARE(w.Button2->text(), QStringLiteral("Start"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Tessavo 1.5"));
    QCOMPARE(w.Label12->text(), QStringLiteral("Z"));
    QCOMPARE(w.Label1->text(), QStringLiteral("50x50"));
    QVERIFY(f.errors.messages.isEmpty());
}

void LanguageTest::withoutAFileBothChoicesGiveEnglish()
{
    QTemporaryDir dir;
    FormFixture f;
    TForm1& w = *f.form;
    w.setLanguageFile(dir.filePath(QStringLiteral("lang.ini")));
    w.English1Click();
    QCOMPARE(w.currentCaptions(), column(false));
    w.Polski1Click();
    QCOMPARE(w.currentCaptions(), column(false));
    QVERIFY(w.Polski1->isChecked());
    QVERIFY(!w.English1->isChecked());
    QVERIFY(f.errors.messages.isEmpty());
}

void LanguageTest::aMissingKeyFallsBackAlone()
{
    QTemporaryDir dir;
    QByteArray text = "[language1]\r\n";
    for (const Caption& c : captionTable())
        if (QByteArray(c.key) != "rough")
            text += QByteArray(c.key) + "=PL " + c.key + "\r\n";
    const QString name = dir.filePath(QStringLiteral("lang.ini"));
    QVERIFY(writeFile(name, text));
    FormFixture f;
    TForm1& w = *f.form;
    w.setLanguageFile(name);
    w.Polski1Click();
    QCOMPARE(w.Label4->text(), QStringLiteral("Roughness"));
    QCOMPARE(w.GroupBox1->title(), QStringLiteral("PL ani"));
    QCOMPARE(w.Typwykresu->itemText(1), QStringLiteral("PL ctype2"));
    QCOMPARE(w.Oprogramie1->text(), QStringLiteral("PL about"));
    QCOMPARE(w.Zapiszklatki1->title(), QStringLiteral("PL saveframes"));
    // The English section is missing altogether.
    w.English1Click();
    QCOMPARE(w.currentCaptions(), column(false));
}

void LanguageTest::utf8FileIsReadToo()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("lang.ini"));
    QVERIFY(writeFile(name, QStringLiteral("[language2]\nspeed=szybkość\nrough=Chropowatość\n").toUtf8()));
    FormFixture f;
    f.form->setLanguageFile(name);
    f.form->English1Click();
    QCOMPARE(f.form->Label2->text(), QStringLiteral("szybkość"));
    QCOMPARE(f.form->Label4->text(), QStringLiteral("Chropowatość"));
    QCOMPARE(f.form->Label3->text(), QStringLiteral("zoom"));
}

void LanguageTest::captionsAreShownAsWritten()
{
    // Text that looks like markup is a caption like any other: every character shows.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("lang.ini"));
    QVERIFY(writeFile(name, "[language2]\nrough=<b>Rough</b>\nspeed=<i>fast</i> & slow\n"));
    FormFixture f;
    TForm1& w = *f.form;
    w.setLanguageFile(name);
    w.English1Click();
    QCOMPARE(w.Label4->text(), QStringLiteral("<b>Rough</b>"));
    for (QLabel* label : {w.Label4, w.Label2}) {
        const int written = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(label->sizeHint().width() >= written, qPrintable(label->objectName()));
        QVERIFY2(label->width() >= written, qPrintable(label->objectName()));
    }
}

void LanguageTest::junkAndHugeFilesDoNoHarm()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("lang.ini"));
    FormFixture f;
    TForm1& w = *f.form;
    w.setLanguageFile(name);

    // Random bytes with plenty of brackets, equals signs, line breaks and NULs.
    QByteArray junk;
    uint32_t state = 12345;
    const char alphabet[] = "[]=\r\n\0 &<>language1ani";
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        const uint32_t r = state >> 16;
        junk += (r & 1) ? char(r >> 8) : alphabet[(r >> 8) % (sizeof alphabet - 1)];
    }
    QVERIFY(writeFile(name, junk));
    w.Polski1Click();
    w.English1Click();
    QVERIFY(!w.Polski1->isChecked());
    QVERIFY(w.English1->isChecked());
    QCOMPARE(w.currentCaptions().size(), 38);

    // A caption of a megabyte is cut to the 2047 characters a read returns.
    QVERIFY(writeFile(name, "[language2]\r\nrough=" + QByteArray(1 << 20, 'R') + "\r\nsize=" + QByteArray(1 << 20, '&')
                               + "\r\ngrid=Grid\r\n"));
    w.English1Click();
    QCOMPARE(w.Label4->text(), QString(2047, QLatin1Char('R')));
    QCOMPARE(w.Label7->text().size(), 2047);
    QCOMPARE(w.GroupBox2->title(), QStringLiteral("Grid"));
    QVERIFY(w.Label4->width() >= w.Label4->sizeHint().width());
    // The window goes on as before.
    w.Timer1Timer();
    w.FormPaint();
    QCOMPARE(w.chart->writeIndex, 1);
    QVERIFY(f.errors.messages.isEmpty());
}

void LanguageTest::fileIsReadAnewOnEveryChoice()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("lang.ini"));
    QVERIFY(writeFile(name, "[language2]\nsize=Extent\n"));
    FormFixture f;
    f.form->setLanguageFile(name);
    f.form->English1Click();
    QCOMPARE(f.form->Label7->text(), QStringLiteral("Extent"));
    QVERIFY(writeFile(name, "[language2]\nsize=Dimensions\n"));
    f.form->English1Click();
    QCOMPARE(f.form->Label7->text(), QStringLiteral("Dimensions"));
    QFile::remove(name);
    f.form->English1Click();
    QCOMPARE(f.form->Label7->text(), QStringLiteral("Size"));
}

void LanguageTest::switchKeepsSelectionsAndTheChart()
{
    FormFixture f;
    TForm1& w = *f.form;
    QTest::mouseClick(w.Warunki->button(1), Qt::LeftButton);
    QTest::mouseClick(w.Typwykresu->button(1), Qt::LeftButton);
    for (int i = 0; i < 5; ++i)
        w.Timer1Timer();
    const QImage chart = w.chartBmp.image();
    const std::vector<double> history = w.chart->values;
    QSignalSpy conditions(w.Warunki, &RadioGroup::clicked);
    QSignalSpy style(w.Typwykresu, &RadioGroup::clicked);

    w.English1->trigger();
    QCOMPARE(w.Warunki->itemIndex(), 1);
    QCOMPARE(w.Typwykresu->itemIndex(), 1);
    QCOMPARE(conditions.count(), 0);
    QCOMPARE(style.count(), 0);
    QCOMPARE(w.sim->zmode, 1);
    QVERIFY(!w.ComboBox1->isEnabled());
    QVERIFY(w.ComboBox2->isEnabled());
    QCOMPARE(w.chartBmp.image(), chart);
    QCOMPARE(w.chart->values, history);
    QCOMPARE(w.Warunki->itemText(1), QStringLiteral("anisotropic"));
}

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
