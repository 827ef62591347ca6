// Picture export and frame capture: names, formats, one frame per tick, the end after frame
// 1001, and frame errors that never pile up error boxes.
#include "FormFixture.h"
#include "ScriptedDialogs.h"

#include "ui/WindowFileDialogs.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

#include <functional>

namespace {

struct Window : FormFixture {
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    Window() { form->setFileDialogs(&dialogs); }

    void exportTo(const QString& name)
    {
        dialogs.picture = name.isEmpty() ? name : scratch.path(name);
        form->Zapiszobraz1->trigger();
    }
    void startCapture(const QString& name)
    {
        dialogs.picture = name.isEmpty() ? name : scratch.path(name);
        form->Start1->trigger();
    }
    QImage picture(const QString& name) const { return QImage(scratch.path(name)).convertToFormat(QImage::Format_RGB32); }
};

// An error box that stays open while `whileOpen` runs, as a modal box does while the
// animation's ticks go on under it.
class OpenBoxReporter : public ErrorReporter {
public:
    QStringList messages;
    std::function<void()> whileOpen;
    void show(const QString& message) override
    {
        messages << message;
        if (whileOpen && !open_) {
            open_ = true;
            whileOpen();
            open_ = false;
        }
    }

private:
    bool open_ = false;
};

// Resident memory of this process, in kB.
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

class CaptureTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheSurfaceOnly();
    void exportNameDropsEverythingAfterTheFirstDot();
    void capitalExtensionsWriteNothing();
    void framesAreNumberedWithThreeDigitsAtLeast();
    void captureWritesOneFramePerTickAcrossResets();
    void captureEndsItselfAfterFrame1001();
    void stopAndCancelKeepTheCaptureState();
    void captureWaitsForTheAnimation();
    void otherExtensionsCountFramesSilently();
    void unwritableFolderShowsOneBoxNotHundreds();
    void realErrorBoxStaysAloneWhileTheAnimationRuns();
    void defaultSuffixIsAddedToBareNames();
    void pictureDialogRemembersTheLastChoiceOfBothCommands();
    void capturesLeaveMemoryWhereItWas();
};

void CaptureTest::exportWritesTheSurfaceOnly()
{
    Window f;
    TForm1& w = *f.form;
    for (int i = 0; i < 3; ++i)
        w.Timer1Timer();
    f.exportTo(QStringLiteral("surf.jpg"));
    QVERIFY(f.errors.messages.isEmpty());
    QCOMPARE(f.scratch.files(), QStringList{QStringLiteral("surf.jpg")});
    QImageReader reader(f.scratch.path(QStringLiteral("surf.jpg")));
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    const QImage jpeg = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(jpeg.size(), QSize(600, 400));
    // Close to the surface picture everywhere (JPEG is lossy).
    const QImage& surface = w.surfaceBmp.image();
    int64_t difference = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            difference += std::abs(qGreen(jpeg.pixel(x, y)) - qGreen(surface.pixel(x, y)));
    QVERIFY2(difference < 600 * 400 * 4, qPrintable(QString::number(difference)));
}

void CaptureTest::exportNameDropsEverythingAfterTheFirstDot()
{
    Window f;
    TForm1& w = *f.form;
    w.Timer1Timer();
    f.exportTo(QStringLiteral("run.final.bmp"));
    QCOMPARE(f.scratch.files(), QStringList{QStringLiteral("run.bmp")});
    QCOMPARE(f.picture(QStringLiteral("run.bmp")), w.surfaceBmp.image());
    // A cancelled dialog writes nothing.
    f.exportTo(QString());
    QCOMPARE(f.scratch.files(), QStringList{QStringLiteral("run.bmp")});
    QVERIFY(f.errors.messages.isEmpty());
}

void CaptureTest::capitalExtensionsWriteNothing()
{
    Window f;
    TForm1& w = *f.form;
    for (const char* name : {"a.BMP", "b.JPG", "c.jpeg", "d"}) {
        f.exportTo(QString::fromLatin1(name));
        f.startCapture(QString::fromLatin1(name));
        w.Timer1Timer();
    }
    QVERIFY(f.scratch.files().isEmpty());
    QVERIFY(f.errors.messages.isEmpty());
}

void CaptureTest::framesAreNumberedWithThreeDigitsAtLeast()
{
    Window f;
    TForm1& w = *f.form;
    f.startCapture(QStringLiteral("f.bmp"));
    for (int index : {0, 9, 10, 99, 100, 1000}) {
        w.frameIndex = index;
        w.Timer1Timer();
    }
    QCOMPARE(f.scratch.files(), (QStringList{"f.000.bmp", "f.009.bmp", "f.010.bmp", "f.099.bmp", "f.100.bmp",
                                    "f.1000.bmp"}));
    // The frame name keeps the first dot and what comes before it.
    f.startCapture(QStringLiteral("a.b.jpg"));
    w.Timer1Timer();
    QVERIFY(f.scratch.files().contains(QStringLiteral("a.000.jpg")));
}

void CaptureTest::captureWritesOneFramePerTickAcrossResets()
{
    Window f;
    TForm1& w = *f.form;
    f.startCapture(QStringLiteral("m.bmp"));
    QVERIFY(f.scratch.files().isEmpty()); // starting writes no frame by itself
    w.Timer1Timer();
    w.Timer1Timer();
    const QImage second = w.surfaceBmp.image().copy();
    w.Button1Click(); // a capture runs on across Resets and keeps numbering
    w.Timer1Timer();
    QCOMPARE(f.scratch.files(), (QStringList{"m.000.bmp", "m.001.bmp", "m.002.bmp"}));
    QCOMPARE(f.picture(QStringLiteral("m.001.bmp")), second);
    QCOMPARE(f.picture(QStringLiteral("m.002.bmp")), w.surfaceBmp.image());
    QCOMPARE(w.frameIndex, 3);
    QVERIFY(w.capturing);
}

void CaptureTest::captureEndsItselfAfterFrame1001()
{
    Window f;
    TForm1& w = *f.form;
    f.startCapture(QStringLiteral("e.bmp"));
    w.frameIndex = 999;
    w.Timer1Timer();
    w.Timer1Timer();
    QVERIFY(w.capturing);
    w.Timer1Timer(); // frame 1001 is written, and the capture is over
    QVERIFY(!w.capturing);
    QCOMPARE(w.frameIndex, 1002);
    w.Timer1Timer();
    QCOMPARE(f.scratch.files(), (QStringList{"e.1000.bmp", "e.1001.bmp", "e.999.bmp"}));
    QCOMPARE(w.frameIndex, 1002);
}

void CaptureTest::stopAndCancelKeepTheCaptureState()
{
    Window f;
    TForm1& w = *f.form;
    f.startCapture(QStringLiteral("s.bmp"));
    w.Timer1Timer();
    f.startCapture(QString()); // cancelled: the capture goes on as it was
    QVERIFY(w.capturing);
    QCOMPARE(w.frameIndex, 1);
    QCOMPARE(QString::fromStdString(w.framePath), f.scratch.path(QStringLiteral("s.bmp")));
    w.Stop1->trigger();
    QVERIFY(!w.capturing);
    QCOMPARE(w.frameIndex, 1);
    QCOMPARE(QString::fromStdString(w.framePath), f.scratch.path(QStringLiteral("s.bmp")));
    w.Timer1Timer();
    QCOMPARE(f.scratch.files(), QStringList{QStringLiteral("s.000.bmp")});
    // Starting again restarts the numbering with the new name.
    f.startCapture(QStringLiteral("t.bmp"));
    QCOMPARE(w.frameIndex, 0);
    w.Timer1Timer();
    QCOMPARE(f.scratch.files(), (QStringList{"s.000.bmp", "t.000.bmp"}));
}

void CaptureTest::captureWaitsForTheAnimation()
{
    Window f;
    TForm1& w = *f.form;
    w.ScrollBar2->setValue(100); // 10 ms ticks
    f.startCapture(QStringLiteral("run.bmp"));
    QCoreApplication::processEvents();
    QVERIFY(f.scratch.files().isEmpty());
    w.Button2Click();
    QTRY_VERIFY(f.scratch.files().size() >= 2);
    w.Button2Click();
    QCOMPARE(f.scratch.files().first(), QStringLiteral("run.000.bmp"));
    QCOMPARE(w.frameIndex, f.scratch.files().size());
}

void CaptureTest::otherExtensionsCountFramesSilently()
{
    Window f;
    TForm1& w = *f.form;
    f.startCapture(QStringLiteral("p.png"));
    w.frameIndex = 1000;
    w.Timer1Timer();
    w.Timer1Timer();
    QVERIFY(!w.capturing);
    QCOMPARE(w.frameIndex, 1002);
    QVERIFY(f.scratch.files().isEmpty());
    QVERIFY(f.errors.messages.isEmpty());
}

void CaptureTest::unwritableFolderShowsOneBoxNotHundreds()
{
    OpenBoxReporter box;
    TForm1 w(&box);
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    w.setFileDialogs(&dialogs);
    dialogs.picture = scratch.path(QStringLiteral("gone/f.bmp"));
    w.Start1->trigger();
    // While the first box is open, 200 more ticks lose their frames without a box of their own.
    box.whileOpen = [&w] {
        for (int i = 0; i < 200; ++i)
            w.Timer1Timer();
    };
    w.Timer1Timer();
    QVERIFY(box.messages.isEmpty()); // shown from the event loop, after the tick
    QCoreApplication::processEvents();
    QCOMPARE(box.messages,
        QStringList{QStringLiteral("Cannot create file %1.").arg(scratch.path(QStringLiteral("gone/f.000.bmp")))});
    QCOMPARE(w.frameIndex, 201);
    QVERIFY(w.capturing);
    QCOMPARE(w.chart->writeIndex, 201); // every tick went on with its chart
    QCoreApplication::processEvents();
    QCOMPARE(box.messages.size(), 1);
    // Once the box is closed the next lost frame is shown again, once.
    box.whileOpen = nullptr;
    w.Timer1Timer();
    w.Timer1Timer();
    QCoreApplication::processEvents();
    QCOMPARE(box.messages.size(), 2);
    QVERIFY(box.messages.last().contains(QStringLiteral("f.201.bmp")));
    QVERIFY(scratch.files().isEmpty());
}

void CaptureTest::realErrorBoxStaysAloneWhileTheAnimationRuns()
{
    ErrorReporter standard; // the modal message box
    TForm1 w(&standard);
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    w.setFileDialogs(&dialogs);
    dialogs.picture = scratch.path(QStringLiteral("gone/f.bmp"));
    w.Start1->trigger();
    w.ScrollBar2->setValue(100);

    // Watches the boxes from inside their event loop; once 30 frames are lost it stops the
    // animation and closes the box, as a user would.
    int mostBoxes = 0;
    int boxesOpened = 0;
    QPointer<QMessageBox> last;
    QString text;
    QTimer watch;
    watch.setInterval(2);
    connect(&watch, &QTimer::timeout, &watch, [&] {
        QList<QMessageBox*> boxes;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible())
                boxes << box;
        mostBoxes = std::max(mostBoxes, int(boxes.size()));
        if (boxes.isEmpty())
            return;
        if (boxes.first() != last) {
            last = boxes.first();
            text = last->text();
            ++boxesOpened;
        }
        if (w.frameIndex >= 30) {
            if (w.Timer1->isActive())
                w.Button2Click();
            for (QMessageBox* box : boxes)
                box->accept();
        }
    });
    watch.start();
    w.Button2Click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.Timer1->isActive() && boxesOpened > 0 && !last, 60000);
    watch.stop();
    QCOMPARE(mostBoxes, 1);
    QCOMPARE(boxesOpened, 1);
    QVERIFY(w.frameIndex >= 30);
    QVERIFY(w.capturing);
    QCOMPARE(text,
        QStringLiteral("Cannot create file %1.").arg(scratch.path(QStringLiteral("gone/f.000.bmp"))));
}

void CaptureTest::defaultSuffixIsAddedToBareNames()
{
    QCOMPARE(WindowFileDialogs::withDefaultSuffix("/tmp/pic", "bmp"), QStringLiteral("/tmp/pic.bmp"));
    QCOMPARE(WindowFileDialogs::withDefaultSuffix("/tmp/a.d/pic", "ini"), QStringLiteral("/tmp/a.d/pic.ini"));
    QCOMPARE(WindowFileDialogs::withDefaultSuffix("/tmp/pic.JPG", "bmp"), QStringLiteral("/tmp/pic.JPG"));
    QCOMPARE(WindowFileDialogs::withDefaultSuffix("/tmp/pic.", "bmp"), QStringLiteral("/tmp/pic."));
    QCOMPARE(WindowFileDialogs::withDefaultSuffix("", "bmp"), QString());
}

void CaptureTest::pictureDialogRemembersTheLastChoiceOfBothCommands()
{
    FormFixture f;
    TForm1& w = *f.form;
    ScratchDir scratch;
    QFileDialog* dialog = w.SavePictureDialog1;
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDirectory(scratch.dir.path());
    QString seen;
    bool refused = false; // the dialog did not take a typed name
    // Answers the dialog from inside its own event loop: `typed` accepted, or empty to cancel.
    auto answer = [&](const QString& typed) {
        QTimer::singleShot(0, dialog, [&, typed] {
            seen = dialog->selectedFiles().value(0);
            if (!typed.isEmpty()) {
                // Typed into the name box and accepted, as with the Save button.
                if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                    edit->setText(typed);
                static_cast<QDialog*>(dialog)->accept();
            }
            if (dialog->isVisible()) {
                refused = !typed.isEmpty();
                dialog->reject();
            }
        });
    };

    answer(QStringLiteral("pic")); // typed without an extension: ".bmp" is added
    w.Zapiszobraz1->trigger();
    QCOMPARE(scratch.files(), QStringList{QStringLiteral("pic.bmp")});

    // The same name typed again: the dialog asks before replacing pic.bmp; "No" keeps it open.
    QString question;
    bool stayedOpen = false;
    QTimer::singleShot(0, dialog, [&] {
        QTimer::singleShot(0, dialog, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
                    question = box->text();
                    box->reject(); // Escape answers No
                }
        });
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(QStringLiteral("pic"));
        static_cast<QDialog*>(dialog)->accept();
        stayedOpen = dialog->isVisible();
        if (stayedOpen)
            dialog->reject();
    });
    w.Zapiszobraz1->trigger();
    QVERIFY2(question.contains(QStringLiteral("pic.bmp")), qPrintable(question));
    QVERIFY(stayedOpen);

    answer(QString());
    w.Start1->trigger();
    QCOMPARE(seen, scratch.path(QStringLiteral("pic.bmp")));
    QVERIFY(!w.capturing);

    answer(QStringLiteral("clip.jpg"));
    w.Start1->trigger();
    QVERIFY(w.capturing);
    QCOMPARE(QString::fromStdString(w.framePath), scratch.path(QStringLiteral("clip.jpg")));

    answer(QString());
    w.Zapiszobraz1->trigger();
    QCOMPARE(seen, scratch.path(QStringLiteral("clip.jpg")));
    QCOMPARE(scratch.files(), QStringList{QStringLiteral("pic.bmp")});
    QVERIFY(f.errors.messages.isEmpty());
    QVERIFY(!refused);
}

void CaptureTest::capturesLeaveMemoryWhereItWas()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer holds freed memory back on purpose");
#endif
    Window f;
    TForm1& w = *f.form;
    QVERIFY(f.showAndWait()); // painted through the platform, as a user sees it
    w.ScrollBar3->setValue(300);
    // A capture left to run to its end, with the events of the running window between ticks.
    auto runCapture = [&w] {
        while (w.capturing) {
            w.Timer1Timer();
            QCoreApplication::processEvents();
        }
    };

    // Warm-up: started in the picture dialog itself, which then stays hidden in the folder;
    // the other dialogs, never opened, are there too.
    for (QFileDialog* other : {w.OpenDialog1, w.SaveDialog2, w.SaveDialog1, w.SavePictureDialog1})
        other->setDirectory(f.scratch.dir.path());
    w.setFileDialogs(nullptr);
    QFileDialog* dialog = w.SavePictureDialog1;
    QTimer::singleShot(0, dialog, [dialog] {
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(QStringLiteral("warm.jpg"));
        static_cast<QDialog*>(dialog)->accept();
    });
    w.Start1->trigger();
    QVERIFY(w.capturing);
    runCapture();

    w.setFileDialogs(&f.dialogs);
    const long start = residentKb();
    QVERIFY(start > 0);
    for (const char* name : {"a.bmp", "b.jpg"}) {
        f.startCapture(QString::fromLatin1(name));
        runCapture();
    }
    QTest::qWait(100);
    const long grown = residentKb() - start;
    QVERIFY2(grown < 1024, qPrintable(QStringLiteral("%1 kB more").arg(grown)));
    QCOMPARE(f.scratch.files().size(), 3 * 1002);

    // Opened again, the dialog lists the frames written while it was closed (the .jpg ones,
    // under its first filter).
    w.setFileDialogs(nullptr);
    int listed = 0;
    QTimer::singleShot(0, dialog, [&] {
        if (auto* listing = dialog->findChild<QFileSystemModel*>()) {
            const QModelIndex folder = listing->index(f.scratch.dir.path());
            (void)QTest::qWaitFor([&] { return listing->rowCount(folder) >= 2 * 1002; }, 5000);
            listed = listing->rowCount(folder);
        }
        dialog->reject();
    });
    w.Zapiszobraz1->trigger();
    QCOMPARE(listed, 2 * 1002);
}

QTEST_MAIN(CaptureTest)
#include "CaptureTest.moc"
