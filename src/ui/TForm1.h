#pragma once
// TForm1: the main window. It owns the simulation and the roughness chart, lays out every
// control of the panel, and carries their handlers: Reset, Start/Stop, the animation tick,
// repainting, the control handlers, the mouse drag, the colour and language menus, and the
// file menu (configuration and layer files, picture export, frame capture), and the model menu.
// Window client coordinates are pixels from the top-left corner of the area under the menu
// bar; the surface picture sits at (10, 10), 600 x 400, and the chart at (10, 420), 490 x 170.
#include "chart/Wykres.h"
#include "gfx/Bitmap.h"
#include "i18n/Caption.h"
#include "model/Symulacja.h"
#include "run/FilmRun.h"
#include "ui/ErrorReporter.h"
#include "ui/FileDialogs.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class AnalysisWindow;
class ClientArea;
class IniFile;
class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPaintEvent;
class QPushButton;
class QScrollBar;
class QTimer;
class RadioGroup;
class TAboutBox;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Lays the window out and runs FormCreate. Errors of handlers started by the toolkit go to
    // `reporter` (nullptr: the standard error box). New lattices draw from `random`.
    explicit TForm1(ErrorReporter* reporter = nullptr, Random* random = &processRandom());
    ~TForm1() override;

    // --- Controls, containers, menu and timer under their design names -----------------------
    ClientArea* client;
    QLabel* Label4;
    RadioGroup* Typwykresu;
    QGroupBox* GroupBox4;
    QFrame* Panel1;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QGroupBox* GroupBox3;
    QPushButton* Button2;
    QPushButton* Button1;
    QLabel* Label2;
    QScrollBar* ScrollBar2;
    QLabel* Label3;
    QScrollBar* ScrollBar1;
    QCheckBox* CheckBox2;
    QLabel* Label7;
    QLabel* Label1;
    QScrollBar* ScrollBar6;
    QScrollBar* ScrollBar7;
    QCheckBox* CheckBox1;
    QLabel* w_zrzucie_txt;
    QLabel* w_zrzucie_num;
    QScrollBar* ScrollBar3;
    QLabel* Label5;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    RadioGroup* Warunki;
    QLabel* Label12;
    QComboBox* ComboBox1;
    QLabel* Label11;
    QComboBox* ComboBox2;
    QLabel* Label10;
    QComboBox* ComboBox3;
    QTimer* Timer1;

    QMenuBar* MainMenu1;
    QMenu* Plik1;
    QAction* Otwrz1;
    QAction* Zapiszobraz1;
    QMenu* Zapiszklatki1;
    QAction* Start1;
    QAction* Stop1;
    QAction* Zapiszwarstw1;
    QAction* Zapisz1;
    QAction* N1;
    QAction* Zakocz1;
    QMenu* Kolory1;
    QAction* Zielony1;
    QAction* Czerwony1;
    QAction* Niebieski1;
    QAction* Mieszane1;
    QAction* Mieszane2;
    QMenu* Jzyk1;
    QAction* Polski1;
    QAction* English1;
    QMenu* Model1;
    std::array<QAction*, growthModels.size()> modelItems{}; // one radio item per model, in GrowthModel order
    QMenu* Analiza1;
    QAction* Pokaz1;
    QMenu* Pomoc1;
    QAction* Oprogramie1;

    QFileDialog* OpenDialog1;
    QFileDialog* SaveDialog2;
    QFileDialog* SaveDialog1;
    QFileDialog* SavePictureDialog1;

    // --- Module state -----------------------------------------------------------------------
    std::unique_ptr<Symulacja> sim;
    std::unique_ptr<FilmRun> film; // grows sim tick by tick; made anew with it
    std::unique_ptr<Wykres> chart;
    Bitmap surfaceBmp;
    Bitmap chartBmp;
    int surfaceLeft = 10;
    int surfaceTop = 10;
    int chartLeft = 10;
    int chartTop = 420;
    int originX = 210; // base drawing origin in surfaceBmp pixels
    int originY = 190;
    int drawX = 0;     // origin last drawn: base origin plus drag offset
    int drawY = 0;
    int dragStartX = 0; // client pixels of the press that began a drag
    int dragStartY = 0;
    int dragOffsetX = 0;
    int dragOffsetY = 0;
    bool dragging = false;
    int cellSize = 7; // pixels per lattice cell
    bool autoHeight = false;
    bool capturing = false;
    int frameIndex = 0;
    std::string framePath;

    // --- Control loop -----------------------------------------------------------------------
    void FormCreate();
    void Button1Click(); // Reset
    void Button2Click(); // Start/Stop
    void Timer1Timer();
    void FormPaint();
    void FormDestroy();
    // A fresh simulation in sim (no lattice yet) and the film run that grows it.
    void newSimulation();
    // Draws the lattice with origin (x, y) into surfaceBmp and shows it at once.
    void refreshSurface(int x, int y);
    // Draws the chart into chartBmp in the style of Typwykresu and shows it at once.
    void refreshChart();

    // --- Controls and view ------------------------------------------------------------------
    void ScrollBar1Change();
    void ScrollBar2Change();
    void ScrollBar3Change();
    void ScrollBar6Change();
    void ScrollBar7Change();
    void CheckBox1Click();
    void CheckBox2Click();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void WarunkiClick();
    void TypwykresuClick();
    void Edit1Change();
    void Edit2Change();
    void Zielony1Click();
    void Czerwony1Click();
    void Niebieski1Click();
    void Mieszane1Click();
    void Mieszane2Click();
    // X, Y in window client pixels.
    void FormMouseDown(Qt::MouseButton button, int X, int Y);
    void FormMouseMove(int X, int Y);
    void FormMouseUp(Qt::MouseButton button, int X, int Y);

    // --- Languages --------------------------------------------------------------------------
    void Polski1Click();
    void English1Click();
    void changelangClick();
    // The language file read by changelangClick; by default lang.ini beside the executable
    // (or, installed, in share/tessavo: languageFileName).
    QString languageFile() const;
    void setLanguageFile(const QString& fileName) { languageFile_ = fileName; }
    // The window's current texts of the 38 caption keys, in the caption table's order.
    QStringList currentCaptions() const;

    // --- Growth models (TForm1Model.cpp) ---------------------------------------------------
    // Ticks the model's item, greys the relaxation and neighbour-condition controls for a model
    // other than Tessavo's own (they belong to its relaxation), and starts a new film (Reset).
    void ModelClick(GrowthModel model);
    GrowthModel checkedModel() const;
    // The caption of the model's item without its accelerator ("Ballistic deposition (BD)").
    QString modelCaption(GrowthModel model) const;
    // The texts of the model menu in the language files, never saved in a configuration: the
    // menu, then one item per model in GrowthModel order.
    static const std::vector<Caption>& modelCaptionTable();

    // --- Analysis window (TForm1Analysis.cpp) -----------------------------------------------
    void Pokaz1Click(); // shows the analysis window and brings it to the front
    AnalysisWindow* analysisWindow() { return analysisWindow_; }

    // --- Shell ------------------------------------------------------------------------------
    void Zakocz1Click();
    void Oprogramie1Click();
    // The about box that Oprogramie1Click shows; without one the window makes its own.
    void setAboutBox(TAboutBox* box) { aboutBox_ = box; }
    TAboutBox* aboutBox();

    // --- Files (handled in TForm1Files.cpp) -------------------------------------------------
    void Otwrz1Click();
    void Zapisz1Click();
    void Zapiszwarstw1Click();
    void Zapiszobraz1Click();
    void Start1Click();
    void Stop1Click();
    // The dialogs the file commands ask; the window's own show the four QFileDialogs above.
    // Tests hand in theirs (not owned; nullptr goes back to the window's own).
    void setFileDialogs(FileDialogs* dialogs) { fileDialogs_ = dialogs; }
    FileDialogs& fileDialogs();

    // --- Setting controls from code ---------------------------------------------------------
    // Each sets the control as a program does: the control's own handler runs as the toolkit
    // fires it (scroll bars, check boxes, radio groups and edit boxes on a real change, combo
    // boxes never), and an error raised by that handler is thrown on to the caller.
    void setScrollPosition(QScrollBar* bar, int position);
    void setChecked(QCheckBox* box, bool checked);
    void setItemIndex(RadioGroup* group, int index);
    void setComboIndex(QComboBox* box, int index);
    void setEditText(QLineEdit* edit, const QString& text);

    // Runs a modal loop (dialog, message box) inside a handler: handlers started while it runs
    // report their own errors.
    void runModal(const std::function<void()>& body);

    ErrorReporter& reporter() { return *reporter_; }

signals:
    // Emitted at the end of every completed Reset.
    void simulationReset();
    // Emitted at the end of every tick with the roughness it added to the chart.
    void ticked(double roughness);

private:
    void buildLayout();
    void buildMenu();
    void buildDialogs();
    void connectHandlers();
    void setFocusOrder();

    // Runs a handler started by the toolkit. The outermost handler shows its error; a handler
    // started by a control that another handler set keeps its error for that handler.
    void guarded(const std::function<void()>& handler);
    void rethrowPending();
    void paintClient(QPaintEvent* event);
    void copyToWindow(int left, int top, const Bitmap& bitmap);
    void choosePalette(QAction* item, int32_t palette);
    // The palette of the ticked colour item (one is always ticked; "Paleta 1" when none is).
    int32_t checkedPalette() const;
    void setCaption(const Caption& caption, const QString& text);
    QString caption(const Caption& caption) const;
    void buildAnalysis();
    void applyAnalysisCaptions(const IniFile& ini, const char* section);
    void applyModelCaptions(const IniFile& ini, const char* section);
    void captureFrame();
    void reportFrameError(std::exception_ptr error);
    void loadConfiguration(const IniFile& ini);
    void loadLayer(const IniFile& ini);
    void applyEditText(QLineEdit* edit, const QString& text);
    static void fitLabel(QLabel* label);
    // drawX, drawY = the base origin moved by the drag offset, held at the int32 limits.
    void recomputeDrawOrigin();
    // The handling shared by the two size bars: couple, show the size, Reset.
    void sizeBarChange(QScrollBar* moved, QScrollBar* other);

    ErrorReporter defaultReporter_;
    ErrorReporter* reporter_;
    Random* random_;
    TAboutBox* aboutBox_ = nullptr;
    std::unique_ptr<TAboutBox> ownAboutBox_;
    QString languageFile_;
    FileDialogs* fileDialogs_ = nullptr;
    std::unique_ptr<FileDialogs> ownFileDialogs_;
    // A lost frame's error box is waiting to be shown or is open.
    bool frameErrorShown_ = false;
    int handlerDepth_ = 0;
    std::exception_ptr pending_;
    bool inSystemPaint_ = false;
    bool copying_ = false;
    AnalysisWindow* analysisWindow_ = nullptr; // a child window, hidden until shown
};
