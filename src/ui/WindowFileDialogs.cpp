#include "ui/WindowFileDialogs.h"

#include "files/PictureFile.h"
#include "ui/TForm1.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSignalBlocker>

namespace {

// The folder listing of one of Qt's own dialogs; none for a platform dialog.
QFileSystemModel* folderListing(QFileDialog* dialog)
{
    return dialog->findChild<QFileSystemModel*>();
}

// An opening dialog watches its folder again and reads it afresh, so that it shows what
// changed there while it was closed.
void watchAgain(QFileDialog* dialog)
{
    QFileSystemModel* listing = folderListing(dialog);
    if (!listing || !listing->testOption(QFileSystemModel::DontWatchForChanges))
        return;
    listing->setOption(QFileSystemModel::DontWatchForChanges, false);
    const QString folder = listing->rootPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    // Leaving the folder marks its listing stale; coming back reads it again and watches it.
    // The dialog is not told: for it (its history, its folder box) nothing moved.
    const QSignalBlocker quiet(listing);
    listing->setRootPath(QString());
    listing->setRootPath(folder);
}

} // namespace

void WindowFileDialogs::stopWatching(QFileDialog* dialog)
{
    if (QFileSystemModel* listing = folderListing(dialog))
        listing->setOption(QFileSystemModel::DontWatchForChanges, true);
}

QString WindowFileDialogs::openFile()
{
    return choose(form_.OpenDialog1);
}

QString WindowFileDialogs::saveConfiguration()
{
    return choose(form_.SaveDialog2);
}

QString WindowFileDialogs::saveLayer()
{
    return choose(form_.SaveDialog1);
}

QString WindowFileDialogs::savePicture()
{
    return choose(form_.SavePictureDialog1);
}

QString WindowFileDialogs::withDefaultSuffix(const QString& name, const QString& suffix)
{
    if (name.isEmpty() || suffix.isEmpty() || !fileExtension(name.toStdString()).empty())
        return name;
    return name + QLatin1Char('.') + suffix;
}

QString WindowFileDialogs::choose(QFileDialog* dialog)
{
    // Qt's own save dialog adds the default extension before it asks about replacing a file;
    // a platform dialog may ask about the name as typed and leave the extension to us.
    if (dialog->acceptMode() == QFileDialog::AcceptSave)
        dialog->setOption(QFileDialog::DontUseNativeDialog);

    // Open with the last choice, also after a cancel that left something else typed.
    const QString last = lastChosen_.value(dialog);
    if (!last.isEmpty())
        dialog->selectFile(last);

    int result = QDialog::Rejected;
    watchAgain(dialog);
    {
        const struct Closed {
            QFileDialog* dialog;
            ~Closed() { stopWatching(dialog); }
        } closed{dialog};
        form_.runModal([&] { result = dialog->exec(); });
    }
    if (result != QDialog::Accepted)
        return QString();
    const QStringList files = dialog->selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return QString();
    QString name = files.first();
    if (dialog->acceptMode() == QFileDialog::AcceptSave)
        name = withDefaultSuffix(name, dialog->defaultSuffix());
    lastChosen_.insert(dialog, name);
    return name;
}
