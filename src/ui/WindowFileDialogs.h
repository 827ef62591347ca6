#pragma once
// WindowFileDialogs: the window's own file dialogs. Shows the QFileDialog objects of TForm1
// modally (ticks go on meanwhile), adds the dialog's default extension to a name typed
// without one, and opens each dialog with the name last chosen in it; a cancelled dialog
// forgets what was typed and keeps the earlier choice. Save dialogs are Qt's own, so the
// question about replacing a file concerns the name with its extension. A dialog watches its
// folder only while it is open, and reads it afresh when it opens again.
#include "ui/FileDialogs.h"

#include <QHash>

class QFileDialog;
class TForm1;

class WindowFileDialogs : public FileDialogs {
public:
    explicit WindowFileDialogs(TForm1& form) : form_(form) {}

    QString openFile() override;
    QString saveConfiguration() override;
    QString saveLayer() override;
    QString savePicture() override;

    // The name a dialog accepted: the default extension ("." + suffix) is added when the
    // file name after the last "/" holds no ".".
    static QString withDefaultSuffix(const QString& name, const QString& suffix);

    // A dialog that is not shown watches no folder. A hidden dialog left watching would follow
    // every file written in its folder for as long as the program runs: a frame capture there
    // adds a frame and a temporary file on every tick, each change would be read again and
    // recorded, and memory would grow with the frames and slow the ticks down. The window
    // calls this for each dialog it makes, and every dialog closes with it.
    static void stopWatching(QFileDialog* dialog);

private:
    QString choose(QFileDialog* dialog);

    TForm1& form_;
    QHash<QFileDialog*, QString> lastChosen_;
};
