// Dragging the surface picture with the mouse, running and stopped.
#include "FormFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

class DragTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pressOnThePictureEdgeOnlyPauses();
    void dragWhileRunningMovesTheOriginAndResumes();
    void dragWhileStoppedRedrawsAsItGoes();
    void clickWithoutMovingChangesNothing();
    void anyButtonDrags();
    void pressOnAControlIsNotTheWindows();
    void pictureMayLeaveTheBitmap();
    void originStopsAtTheIntegerLimits();

private:
    std::unique_ptr<FormFixture> f;
};

void DragTest::init()
{
    f = std::make_unique<FormFixture>();
    QVERIFY(f->showAndWait()); // the first paint sets the drawing origin, as on screen
}

void DragTest::cleanup()
{
    f.reset();
}

void DragTest::pressOnThePictureEdgeOnlyPauses()
{
    TForm1& w = *f->form;
    w.Button2Click();
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(10, 200));
    QVERIFY(!w.dragging);
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.Button2->text(), QStringLiteral("Stop"));
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(10, 200));
    QVERIFY(w.Timer1->isActive());

    // Outside the picture altogether: the free area beside the chart.
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(505, 560));
    QVERIFY(!w.dragging);
    QVERIFY(!w.Timer1->isActive());
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(505, 560));
    QVERIFY(w.Timer1->isActive());

    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(11, 11));
    QVERIFY(w.dragging);
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(11, 11));
    QVERIFY(!w.dragging);
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(609, 409));
    QVERIFY(w.dragging);
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(609, 409));
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(609, 410));
    QVERIFY(!w.dragging);
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(609, 410));
    w.Button2Click();
}

void DragTest::dragWhileRunningMovesTheOriginAndResumes()
{
    TForm1& w = *f->form;
    w.Button2Click();
    w.Timer1Timer();
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(300, 200));
    QVERIFY(w.dragging);
    QVERIFY(!w.Timer1->isActive());
    const QImage before = w.surfaceBmp.image();
    QTest::mouseMove(w.client, QPoint(330, 180));
    QCOMPARE(w.dragOffsetX, 30);
    QCOMPARE(w.dragOffsetY, -20);
    QCOMPARE(w.drawX, 240);
    QCOMPARE(w.drawY, 170);
    QVERIFY(w.surfaceBmp.image() != before); // the picture follows the pointer
    QCOMPARE(f->onScreen(QRect(10, 10, 600, 400)), w.surfaceBmp.image());
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(330, 180));
    QVERIFY(!w.dragging);
    QCOMPARE(w.originX, 240);
    QCOMPARE(w.originY, 170);
    QCOMPARE(w.dragOffsetX, 0);
    QCOMPARE(w.dragOffsetY, 0);
    QVERIFY(w.Timer1->isActive());
    w.Timer1Timer();
    QCOMPARE(w.drawX, 240);
    QCOMPARE(w.drawY, 170);
    w.Button2Click();
}

void DragTest::dragWhileStoppedRedrawsAsItGoes()
{
    TForm1& w = *f->form;
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(w.client, QPoint(90, 150));
    QCOMPARE(w.drawX, 200);
    QCOMPARE(w.drawY, 240);
    QTest::mouseMove(w.client, QPoint(120, 90));
    QCOMPARE(w.drawX, 230);
    QCOMPARE(w.drawY, 180);
    QCOMPARE(w.originX, 210); // the base moves only on release
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(120, 90));
    QCOMPARE(w.originX, 230);
    QCOMPARE(w.originY, 180);
    QVERIFY(!w.Timer1->isActive());
    // Reset draws at the new base origin.
    const QImage dragged = w.surfaceBmp.image();
    w.Button1Click();
    QCOMPARE(w.surfaceBmp.image(), dragged);
}

void DragTest::clickWithoutMovingChangesNothing()
{
    TForm1& w = *f->form;
    const QImage before = w.surfaceBmp.image();
    QTest::mouseClick(w.client, Qt::LeftButton, {}, QPoint(200, 200));
    QCOMPARE(w.originX, 210);
    QCOMPARE(w.originY, 190);
    QCOMPARE(w.surfaceBmp.image(), before);
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.Button2->text(), QStringLiteral("Start"));
}

void DragTest::anyButtonDrags()
{
    TForm1& w = *f->form;
    QTest::mousePress(w.client, Qt::RightButton, {}, QPoint(300, 300));
    QVERIFY(w.dragging);
    QTest::mouseMove(w.client, QPoint(290, 305));
    QTest::mouseRelease(w.client, Qt::RightButton, {}, QPoint(290, 305));
    QCOMPARE(w.originX, 200);
    QCOMPARE(w.originY, 195);
}

void DragTest::pressOnAControlIsNotTheWindows()
{
    TForm1& w = *f->form;
    w.Button2Click();
    // The empty space inside a group box, and a label on the window.
    QTest::mousePress(w.GroupBox1, Qt::LeftButton, {}, QPoint(120, 150));
    QVERIFY(w.Timer1->isActive());
    QTest::mouseRelease(w.GroupBox1, Qt::LeftButton, {}, QPoint(120, 150));
    QTest::mousePress(w.Label4, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(w.Timer1->isActive());
    QTest::mouseRelease(w.Label4, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(!w.dragging);
    w.Button2Click();
}

void DragTest::pictureMayLeaveTheBitmap()
{
    TForm1& w = *f->form;
    const int inked = inkedPixels(w.surfaceBmp);
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(w.client, QPoint(760, 580));
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(760, 580));
    QCOMPARE(w.originX, 950);
    QCOMPARE(w.originY, 750);
    QVERIFY(inkedPixels(w.surfaceBmp) < inked / 2); // most of the lattice is off the picture
    w.Timer1Timer();
    QCOMPARE(w.drawX, 950);
    QVERIFY(f->errors.messages.isEmpty());
}

void DragTest::originStopsAtTheIntegerLimits()
{
    // A configuration file may put the origin anywhere in int32; dragging on from there
    // holds the picture at the limit instead of overflowing to the far side.
    TForm1& w = *f->form;
    w.originX = INT32_MAX - 10;
    w.originY = INT32_MIN + 10;
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(w.client, QPoint(130, 80));
    QCOMPARE(w.drawX, INT32_MAX);
    QCOMPARE(w.drawY, INT32_MIN);
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(130, 80));
    QCOMPARE(w.originX, INT32_MAX);
    QCOMPARE(w.originY, INT32_MIN);

    // Back the other way the picture moves by the full drag from the limit.
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(130, 80));
    QTest::mouseMove(w.client, QPoint(100, 100));
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(w.originX, INT32_MAX - 30);
    QCOMPARE(w.originY, INT32_MIN + 20);

    // A tick or a paint during a drag adds the offset the same way.
    QTest::mousePress(w.client, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(w.client, QPoint(200, 50));
    w.Timer1Timer();
    QCOMPARE(w.drawX, INT32_MAX);
    QCOMPARE(w.drawY, INT32_MIN);
    w.FormPaint();
    QCOMPARE(w.drawX, INT32_MAX);
    QTest::mouseRelease(w.client, Qt::LeftButton, {}, QPoint(200, 50));
    QVERIFY(f->errors.messages.isEmpty());
}

QTEST_MAIN(DragTest)
#include "DragTest.moc"
