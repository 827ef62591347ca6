// TForm1: the file menu (configuration and layer files, picture export, frame capture) and
// the frame-capture step of the animation tick.
#include "ui/TForm1.h"

#include "files/IniFile.h"
#include "files/LayerFile.h"
#include "files/PictureFile.h"
#include "files/Settings.h"
#include "i18n/Caption.h"
#include "model/AppError.h"
#include "ui/RadioGroup.h"
#include "ui/WindowFileDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QScrollBar>


namespace {

const char* const captionSection = "language1";

std::string fileName(const QString& name)
{
    return name.toStdString();
}

} // namespace

FileDialogs& TForm1::fileDialogs()
{
    if (fileDialogs_)
        return *fileDialogs_;
    if (!ownFileDialogs_)
        ownFileDialogs_ = std::make_unique<WindowFileDialogs>(*this);
    return *ownFileDialogs_;
}

// --- Configuration file -----------------------------------------------------------------------

void TForm1::Zapisz1Click()
{
    const QString chosen = fileDialogs().saveConfiguration();
    if (chosen.isEmpty())
        return;

    // The values are taken from the controls now that the dialog is closed.
    ConfigFileValues c;
    c.x = ScrollBar6->value();
    c.y = ScrollBar7->value();
    c.square = CheckBox1->isChecked();
    c.dep = ScrollBar3->value();
    c.max = Edit1->text().toStdString();
    c.zmode = Warunki->itemIndex();
    c.z = ComboBox1->currentIndex();
    c.zx = ComboBox2->currentIndex();
    c.zy = ComboBox3->currentIndex();
    c.speed = ScrollBar2->value();
    c.zoom = ScrollBar1->value();
    c.autoheight = CheckBox2->isChecked();
    c.xabs = drawX;
    c.yabs = drawY;
    c.chart = Typwykresu->itemIndex();
    c.t = Edit2->text().toStdString();
    c.language = std::string(1, Polski1->isChecked() ? '1' : '2');
    // "Paleta 2" has no colour name and writes no key.
    c.palette = checkedPalette();
    c.model = growthModelName(checkedModel());

    IniFile ini(fileName(chosen));
    writeConfigSettings(ini, c);
    const QStringList texts = currentCaptions();
    const std::vector<Caption>& table = captionTable();
    for (std::size_t i = 0; i < table.size(); ++i)
        ini.WriteString(captionSection, table[i].key, texts.value(static_cast<int>(i)).toStdString());
    ini.flush();
}

void TForm1::Otwrz1Click()
{
    const QString chosen = fileDialogs().openFile();
    if (chosen.isEmpty())
        return;
    const std::string name = fileName(chosen);
    const std::string extension = fileExtension(name);
    // Any other extension, ".INI" included, is neither kind of file: nothing happens.
    if (extension != ".ini" && extension != ".lay")
        return;
    const IniFile ini(name);
    // A file that is there but cannot be read is an error, not a file without keys.
    if (!ini.loadError().empty())
        throw AppError(ini.loadError());
    if (extension == ".ini")
        loadConfiguration(ini);
    else
        loadLayer(ini);
}

void TForm1::applyEditText(QLineEdit* edit, const QString& text)
{
    // A text the edit box's handler cannot convert is shown, and the load goes on.
    std::exception_ptr error;
    try {
        setEditText(edit, text);
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        runModal([this, error] { reporter_->report(error); });
}

void TForm1::loadConfiguration(const IniFile& ini)
{
    // Each key is read and applied before the next one, so every handler sees the controls
    // as the keys before it left them: the size handlers still see the old "square" state.
    // An error of a slider, check box or radio group handler ends the load here.
    setScrollPosition(ScrollBar6, readIntegerSetting(ini, Setting::GridX));
    setScrollPosition(ScrollBar7, readIntegerSetting(ini, Setting::GridY));
    setChecked(CheckBox1, readBoolSetting(ini, Setting::Square));
    setScrollPosition(ScrollBar3, readIntegerSetting(ini, Setting::Dep));
    applyEditText(Edit1, QString::fromStdString(readStringSetting(ini, Setting::Max)));
    setItemIndex(Warunki, clampSetting(Setting::Zmode, readIntegerSetting(ini, Setting::Zmode)));
    // The thresholds wait for the next Reset: setting a combo box runs no handler.
    setComboIndex(ComboBox1, readIntegerSetting(ini, Setting::Z));
    setComboIndex(ComboBox2, readIntegerSetting(ini, Setting::Zx));
    setComboIndex(ComboBox3, readIntegerSetting(ini, Setting::Zy));
    setScrollPosition(ScrollBar2, readIntegerSetting(ini, Setting::Speed));
    setScrollPosition(ScrollBar1, readIntegerSetting(ini, Setting::Zoom));
    setChecked(CheckBox2, readBoolSetting(ini, Setting::AutoHeight));
    drawX = originX = readIntegerSetting(ini, Setting::Xabs);
    drawY = originY = readIntegerSetting(ini, Setting::Yabs);
    setItemIndex(Typwykresu, clampSetting(Setting::Chart, readIntegerSetting(ini, Setting::Chart)));
    applyEditText(Edit2, QString::fromStdString(readStringSetting(ini, Setting::Relaxations)));
    // Another model starts a new film with the settings above; an unknown name keeps the model.
    GrowthModel model;
    if (growthModelOfName(readStringSetting(ini, Setting::Model), model) && model != checkedModel())
        ModelClick(model);

    // The language handler runs even when that language is in force; an unknown text keeps it.
    if (readStringSetting(ini, Setting::Language) == "1")
        Polski1Click();
    else if (readStringSetting(ini, Setting::Language) == "2")
        English1Click();

    // One colour handler always runs; a missing key gives green.
    switch (paletteOfColorName(readStringSetting(ini, Setting::Color))) {
    case 0:
        Zielony1Click();
        break;
    case 1:
        Czerwony1Click();
        break;
    case 2:
        Niebieski1Click();
        break;
    default:
        Mieszane1Click();
        break;
    }

    FormPaint();
}

// --- Layer file -------------------------------------------------------------------------------

void TForm1::Zapiszwarstw1Click()
{
    const QString chosen = fileDialogs().saveLayer();
    if (chosen.isEmpty())
        return;
    // The lattice as it is now that the dialog is closed; a running animation goes on.
    LayerFile::save(fileName(chosen), *sim);
}

void TForm1::loadLayer(const IniFile& ini)
{
    // The size bars first, with their coupling and resets; then one Reset in any case, so the
    // heights land in a fresh lattice of the bars' size (not necessarily the stored one).
    setScrollPosition(ScrollBar6, LayerFile::readColumns(ini));
    setScrollPosition(ScrollBar7, LayerFile::readRows(ini));
    Button1Click();
    // A bad field stops here: the rows before keep their heights and nothing is repainted.
    LayerFile::readHeights(ini, *sim);
    FormPaint();
}

// --- Pictures and frames ----------------------------------------------------------------------

void TForm1::Zapiszobraz1Click()
{
    const QString chosen = fileDialogs().savePicture();
    if (chosen.isEmpty())
        return;
    // The picture as the last tick, paint, zoom or drag left it; the chart is not part of it.
    savePicture(surfaceBmp.image(), exportFileName(fileName(chosen)));
}

void TForm1::Start1Click()
{
    const QString chosen = fileDialogs().savePicture();
    if (chosen.isEmpty())
        return;
    // Frames are written by the ticks only: starting a capture does not start the animation.
    framePath = fileName(chosen);
    capturing = true;
    frameIndex = 0;
}

void TForm1::Stop1Click()
{
    capturing = false;
}

void TForm1::captureFrame()
{
    // The frame numbered 1001 is the last: the capture ends itself but still writes it.
    if (frameIndex > 1000)
        Stop1Click();
    try {
        savePicture(surfaceBmp.image(), frameFileName(framePath, frameIndex));
    } catch (...) {
        // The frame is lost and the capture goes on. One error box at a time: while a box is
        // open, or one is on its way, further lost frames are counted but not shown.
        if (!frameErrorShown_ && !reporter_->showing()) {
            frameErrorShown_ = true;
            const std::exception_ptr error = std::current_exception();
            QMetaObject::invokeMethod(this, [this, error] { reportFrameError(error); }, Qt::QueuedConnection);
        }
    }
    ++frameIndex;
}

void TForm1::reportFrameError(std::exception_ptr error)
{
    // Shown from the event loop rather than inside the tick: the animation timer does not
    // fire again while one of its own ticks is still running, so a box opened there would
    // hold the animation until it is closed.
    reporter_->report(error);
    frameErrorShown_ = false;
}
