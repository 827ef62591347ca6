// The application shell: the about box, closing the window, and the one error box.
#include "FormFixture.h"

#include "model/AppError.h"
#include "ui/TAboutBox.h"
#include "ui/TessavoApplication.h"
#include "ui/WindowFont.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

// An object whose events throw, standing in for any handler that fails.
class Thrower : public QObject {
public:
    bool foreign = false;
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            if (foreign)
                throw 42;
            throw AppError("Cannot create file /x/y.bmp");
        }
        return QObject::event(e);
    }
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void aboutBoxLayout();
    void aboutBoxClosesWithEnterWhileTicksGoOn();
    void ctrlQClosesTheRunningWindow();
    void errorTextGetsAFullStop();
    void errorBoxShowsTheMessageAsWritten();
    void applicationShowsEscapingErrorsAndGoesOn();
    void nestedHandlerErrorReachesTheOuterHandlerOnce();
    void menusBoxesAndDialogsUseTheWindowFont();
};

void ShellTest::aboutBoxLayout()
{
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QStringLiteral("About"));
    QCOMPARE(box.size(), QSize(248, 222));
    QCOMPARE(box.Panel1->geometry(), QRect(8, 8, 233, 169));
    QCOMPARE(box.ProductName->text(), QStringLiteral("Tessavo"));
    QCOMPARE(box.ProductName->pos(), QPoint(96, 16));
    QCOMPARE(box.Version->text(), QStringLiteral("Version 1.5"));
    QVERIFY(box.Copyright->text().contains(QStringLiteral("2004")));
    QCOMPARE(box.Comments->pos(), QPoint(64, 104));
    QCOMPARE(box.Label1->pos(), QPoint(16, 128));
    QCOMPARE(box.Label2->pos(), QPoint(15, 144));
    QCOMPARE(box.OKButton->geometry(), QRect(87, 188, 75, 25));
    QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
    QVERIFY(box.OKButton->isDefault());
    QVERIFY(!box.isVisible());
}

void ShellTest::aboutBoxClosesWithEnterWhileTicksGoOn()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    TAboutBox box;
    w.setAboutBox(&box);
    w.ScrollBar2->setValue(100);
    w.Button2Click();

    int ticksWhileOpen = -1;
    bool wasVisible = false;
    QTimer::singleShot(0, &box, [&] {
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        wasVisible = box.isVisible();
        const int start = w.chart->writeIndex;
        (void)QTest::qWaitFor([&] { return w.chart->writeIndex >= start + 3; }, 10000);
        ticksWhileOpen = w.chart->writeIndex - start;
        QTest::keyClick(&box, Qt::Key_Return);
    });
    w.Oprogramie1->trigger(); // returns when the box is closed
    QVERIFY(wasVisible);
    QVERIFY(ticksWhileOpen >= 3);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QVERIFY(w.Timer1->isActive());
    w.setAboutBox(nullptr);
}

void ShellTest::ctrlQClosesTheRunningWindow()
{
    FormFixture f;
    QVERIFY(f.showAndWait());
    TForm1& w = *f.form;
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.Button2Click();
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!w.isVisible());
}

void ShellTest::errorTextGetsAFullStop()
{
    auto text = [](auto thrown) { return ErrorReporter::messageFor(std::make_exception_ptr(thrown)); };
    QCOMPARE(text(AppError("'x' is not a valid integer value")), QStringLiteral("'x' is not a valid integer value."));
    QCOMPARE(text(AppError("Unable to write to a.ini.")), QStringLiteral("Unable to write to a.ini."));
    QCOMPARE(text(AppError("zażółć")), QStringLiteral("zażółć."));
    QCOMPARE(text(42), QString());
    QCOMPARE(text(AppError("")), QString());
}

void ShellTest::errorBoxShowsTheMessageAsWritten()
{
    // The standard box itself: a message quoting typed markup shows every character.
    ErrorReporter reporter;
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        title = box->windowTitle();
        format = box->textFormat();
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    reporter.report(std::make_exception_ptr(AppError("'<b>12</b>' is not a valid integer value")));
    QCOMPARE(title, QStringLiteral("Tessavo"));
    QCOMPARE(shown, QStringLiteral("'<b>12</b>' is not a valid integer value."));
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(!reporter.showing());
}

void ShellTest::applicationShowsEscapingErrorsAndGoesOn()
{
    // The application object's own guard: any exception that leaves an event handler.
    auto* app = qobject_cast<TessavoApplication*>(QCoreApplication::instance());
    QVERIFY(app);
    RecordingReporter* recorder = static_cast<RecordingReporter*>(&app->reporter());
    Thrower thrower;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    thrower.foreign = false;
    QCoreApplication::processEvents();
    QCOMPARE(recorder->messages, QStringList{QStringLiteral("Cannot create file /x/y.bmp.")});
    thrower.foreign = true;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(recorder->messages.size(), 2);
    QCOMPARE(recorder->messages[1], QString());
    QCOMPARE(app->applicationName(), QStringLiteral("Tessavo"));
}

void ShellTest::nestedHandlerErrorReachesTheOuterHandlerOnce()
{
    // A handler that sets a control from code gets the error of that control's handler and
    // stops there, and the box shows it once.
    FormFixture f;
    TForm1& w = *f.form;
    w.Edit2->blockSignals(true);
    w.Edit2->setText(QStringLiteral("many"));
    w.Edit2->blockSignals(false);
    const Symulacja* before = w.sim.get();
    QTest::mouseClick(w.ScrollBar6, Qt::LeftButton, {}, QPoint(w.ScrollBar6->width() - 3, 6));
    QCOMPARE(w.ScrollBar6->value(), 51);
    // The size handler wrote the label and failed in Reset.
    QCOMPARE(w.Label1->text(), QStringLiteral("51 x 50"));
    QCOMPARE(f.errors.messages, QStringList{QStringLiteral("'many' is not a valid integer value.")});
    QCOMPARE(w.sim.get(), before);

    // Coupled: the nested handler of ScrollBar7 fails first, and ScrollBar6's handler stops
    // before writing the label a second time.
    f.errors.messages.clear();
    w.CheckBox1->blockSignals(true);
    w.CheckBox1->setChecked(true);
    w.CheckBox1->blockSignals(false);
    w.ScrollBar6->setValue(60);
    QCOMPARE(w.ScrollBar7->value(), 60);
    QCOMPARE(f.errors.messages.size(), 1);
}

void ShellTest::menusBoxesAndDialogsUseTheWindowFont()
{
    FormFixture f;
    TForm1& w = *f.form;
    const QFont font = windowFont();

    // A drop-down menu is a window of its own: it does not inherit the menu bar's font.
    w.Kolory1->popup(w.mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(w.Kolory1));
    QCOMPARE(w.Kolory1->font(), font);
    w.Kolory1->close();

    // The error box, as it is shown.
    QFont boxFont;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        boxFont = box->font();
        box->button(QMessageBox::Ok)->click();
    });
    ErrorReporter().report(std::make_exception_ptr(AppError("Cannot create file /x/y.bmp")));
    QCOMPARE(boxFont, font);

    // The file dialogs and what they hold.
    for (QFileDialog* dialog : {w.OpenDialog1, w.SaveDialog2, w.SaveDialog1, w.SavePictureDialog1})
        QCOMPARE(dialog->font(), font);
    const auto* name = w.SavePictureDialog1->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    QCOMPARE(name->font(), font);
    // A menu of Qt's own, such as an edit box's context menu, too.
    std::unique_ptr<QMenu> context(w.Edit1->createStandardContextMenu());
    context->ensurePolished(); // as when it is shown
    QCOMPARE(context->font(), font);

    // The application's own font stays the system's: the chart draws its texts in it, as the
    // batch tool does.
    QCOMPARE(QGuiApplication::font(), QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

int main(int argc, char** argv)
{
    RecordingReporter recorder;
    TessavoApplication app(argc, argv, &recorder);
    ShellTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShellTest.moc"
