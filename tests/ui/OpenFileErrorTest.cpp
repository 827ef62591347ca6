// Opening a configuration or layer file that is there but cannot be read: the error box says
// why, and nothing of the window changes (such a file used to load as one without keys, with
// every default).
#include "FormFixture.h"
#include "ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QScrollBar>
#include <QSignalSpy>

#include <sys/stat.h>

class OpenFileErrorTest : public QObject {
    Q_OBJECT
private slots:
    void unreadableFilesAreReportedAndChangeNothing();
};

void OpenFileErrorTest::unreadableFilesAreReportedAndChangeNothing()
{
    FormFixture f;
    ScriptedDialogs dialogs;
    ScratchDir scratch;
    f.form->setFileDialogs(&dialogs);
    TForm1& w = *f.form;
    w.ScrollBar6->setValue(44);
    QSignalSpy resets(&w, &TForm1::simulationReset);

    const QString pipe = scratch.path(QStringLiteral("pipe.ini"));
    QCOMPARE(mkfifo(pipe.toLocal8Bit().constData(), 0644), 0);
    const QString folder = scratch.path(QStringLiteral("folder.lay"));
    QVERIFY(QDir().mkdir(folder));
    for (const QString& name : {pipe, folder}) {
        dialogs.open = name;
        w.Otwrz1->trigger();
    }
    QCOMPARE(f.errors.messages, (QStringList{pipe + QStringLiteral(" is not a regular file."),
                                             folder + QStringLiteral(" is not a regular file.")}));
    QCOMPARE(w.ScrollBar6->value(), 44);
    QCOMPARE(resets.count(), 0);
}

QTEST_MAIN(OpenFileErrorTest)
#include "OpenFileErrorTest.moc"
