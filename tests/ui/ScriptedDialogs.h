#pragma once
// ScriptedDialogs: file dialogs that answer with names the test sets, without showing
// anything. An empty answer is a cancelled dialog. `whileOpen` runs inside every question,
// as the user's time in a modal dialog, before the answer is given.
#include "ui/FileDialogs.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class ScriptedDialogs : public FileDialogs {
public:
    QString open, saveConfig, saveLayerName, picture, analysisData, analysisPicture;
    QStringList asked; // which dialogs were shown, in order
    std::function<void()> whileOpen;

    QString openFile() override { return answer("open", open); }
    QString saveConfiguration() override { return answer("config", saveConfig); }
    QString saveLayer() override { return answer("layer", saveLayerName); }
    QString savePicture() override { return answer("picture", picture); }
    QString saveAnalysisData() override { return answer("analysis data", analysisData); }
    QString saveAnalysisPicture() override { return answer("analysis picture", analysisPicture); }

private:
    QString answer(const char* dialog, const QString& name)
    {
        asked << QString::fromLatin1(dialog);
        if (whileOpen)
            whileOpen();
        return name;
    }
};

// A scratch directory removed with its files at the end of a test.
struct ScratchDir {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
};
