#pragma once
// WindowFileDialogs: the window's own file dialogs. Shows the QFileDialog objects of TForm1
// modally (ticks go on meanwhile), adds the dialog's default extension to a name typed
// without one, and opens each dialog with the name last chosen in it; a cancelled dialog
// forgets what was typed and keeps the earlier choice. Save dialogs are Qt's own, so the
// question about replacing a file concerns the name with its extension.
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
    QString saveAnalysisData() override;
    QString saveAnalysisPicture() override;

    // The name a dialog accepted: the default extension ("." + suffix) is added when the
    // file name after the last "/" holds no ".".
    static QString withDefaultSuffix(const QString& name, const QString& suffix);

private:
    QString choose(QFileDialog* dialog);

    TForm1& form_;
    QHash<QFileDialog*, QString> lastChosen_;
    // The analysis window's save dialogs, made when first asked.
    QFileDialog* analysisData_ = nullptr;
    QFileDialog* analysisPicture_ = nullptr;
};
