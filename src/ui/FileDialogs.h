#pragma once
// FileDialogs: the four file dialogs of the file menu, one question each. Every call returns
// the file name the user chose (a full path), or an empty text when the dialog was cancelled.
// The window shows real dialogs (WindowFileDialogs); tests install their own answers.
#include <QString>

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // OpenDialog1: a configuration (".ini") or layer (".lay") file that exists.
    virtual QString openFile() = 0;
    // SaveDialog2: the configuration file to write.
    virtual QString saveConfiguration() = 0;
    // SaveDialog1: the layer file to write.
    virtual QString saveLayer() = 0;
    // SavePictureDialog1: the picture to export, or the name the captured frames are built
    // from; both commands share the dialog and the name last chosen in it.
    virtual QString savePicture() = 0;

    // The analysis window's exports: the data (".csv") and the picture of its panes (".png").
    // Dialogs that do not offer them answer as cancelled.
    virtual QString saveAnalysisData() { return QString(); }
    virtual QString saveAnalysisPicture() { return QString(); }
};
