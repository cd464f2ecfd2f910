// The main window: the working image and back buffer, the measuring document
// (shapes/MDocument.h) it shows and edits, the tool and mode, the editing
// state of the mouse and keys, and its menus, tool bars, paint box and status
// bar. Created first of all forms at start-up and living until exit; every
// other workspace window works through it.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TPaintBox.h"
#include "shapes/MDocument.h"
#include "shapes/MTool.h"
#include "ui_TFormMeasure.h"
#include "workspace/MCalibration.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MLan;
class MParam;
class MShape;
class MRelation;
class MTool;
class QFileDialog;
class QLabel;
class TFormDigit;
class TBitmap;
class TCanvas;

// Modes of the main window.
inline constexpr int MODE_CREATE = 2; // a shape tool is armed; Selected is the shape under creation
inline constexpr int MODE_SELECT = 3; // selection and editing
inline constexpr int MODE_RULE = 4;   // calibration ruler drawing

// The magnifier shows ZOOM_RADIUS image pixels on each side of its centre;
// in magnifier pixels that is ZOOM_VIEW_RADIUS (MTool::ZoomCoord of the
// radius), and the view is ZOOM_VIEW_SIZE square.
inline constexpr int ZOOM_RADIUS = 30;
inline constexpr int ZOOM_VIEW_RADIUS = (ZOOM_RADIUS + 1) * ZOOM_FACTOR - (ZOOM_FACTOR + 1) / 2;
inline constexpr int ZOOM_VIEW_SIZE = 2 * ZOOM_VIEW_RADIUS + 1;

// Kinds of ShowStatus: which status panel a text goes to.
inline constexpr int STATUS_MESSAGE = 0; // panel 2
inline constexpr int STATUS_MODE = 1;    // panel 0
inline constexpr int STATUS_CURSOR = 2;  // panel 1
inline constexpr int STATUS_HINT = 3;    // panel 2

class TFormMeasure : public QMainWindow, public Ui::TFormMeasure {
    Q_OBJECT
public:
    // The designed caption: a main window still carrying it has not been
    // given its string-table caption yet.
    static constexpr const char* DesignCaption = "QuorvexTitle";
    static constexpr const char* DefaultImageFile = "Images/Default.bmp";
    static constexpr const char* GrabbedImageFile = "Images/Grabbed.bmp";

    explicit TFormMeasure(QWidget* parent = nullptr);
    ~TFormMeasure() override;

    // ---- State ----
    MParam* Param = nullptr;
    MLan* Lan = nullptr;
    MTool* Tool = nullptr;
    int Mode = 0;
    bool ShowPending = false;
    TBitmap* ImageBitmap = nullptr;  // the working image as loaded; owned
    TBitmap* BufferBitmap = nullptr; // the back buffer; owned
    // The magnifier's view: the block of the three-times picture around the
    // mouse (ZOOM_VIEW_SIZE square), with every shape drawn on it at
    // magnifier coordinates, rendered when shown instead of kept whole.
    // ZoomBackImage holds the same block as the last full redraw left it and
    // wipes rubber bands out of ZoomImage. Owned; null until a picture loads.
    TBitmap* ZoomImage = nullptr;
    TBitmap* ZoomBackImage = nullptr;
    // The shapes, relations and selection, with the rules they keep.
    MDocument Document;
    // The document's state under the names the window's commands use.
    const MOwnedList<MShape>& ShapeList = Document.ShapeList();       // drawing and hit-test order
    const MOwnedList<MRelation>& RelationList = Document.RelationList();
    MShape* const& Selected = Document.Selected();                    // listed, or the shape under creation
    MRelation* const& SelectedRelation = Document.SelectedRelation(); // listed, or shown unlisted
    std::unique_ptr<MShape> CalibrationRule; // the ruler line of calibration, never listed
    bool Banding = false;
    bool StickyTool = false;
    bool CtrlDown = false;
    TPoint BandStart;
    TPoint GroupStart;
    TPoint GroupDelta;
    TPoint LastDown;
    bool GroupMove = false;
    bool TextEntry = false;
    bool TextEntryJustOpened = false;
    int AngleStep = 0;
    MShape* AngleFirstLine = nullptr;
    TPoint HoverPoint;
    // Where the rubber band of the pending shape last ended: the mouse's
    // last position over the picture while a shape or ruler line is drawn.
    TPoint BandEnd;
    TPoint ZoomPos;
    int ScreenWidth = 0;
    int ScreenHeight = 0;
    int CalibrationDirection = 0;
    double RulerRatio = 0.0;
    int RulerAspect = RULER_ASPECT_NONE;
    MShape* DigitShape = nullptr;
    bool SettingsLoaded = false;

    // Components made in code: the image's pop-up menu, the three status
    // panels (50, 100 and 200 pixels) and the sticky-tool frame.
    QMenu* PopupMenuImage = nullptr;
    std::array<QLabel*, 3> StatusPanels{};
    QWidget* PaintOrna = nullptr;

    // ---- The document's list operations (MDocument says what each does) ----
    template <typename Shape>
    Shape* AddShape(std::unique_ptr<Shape> shape)
    {
        return Document.AddShape(std::move(shape));
    }
    int NextSerialNumber(int kind) const { return Document.NextSerialNumber(kind); }
    bool IsInShapeList(const MShape* shape) const { return Document.IsInShapeList(shape); }
    MShape* ShapeAt(int x, int y) const { return Document.ShapeAt(x, y); }
    void SelectShape(MShape* shape, bool exclusive) { Document.SelectShape(shape, exclusive); }
    bool ClearSelected() { return Document.ClearSelected(); }
    // The document's, then a redraw.
    bool DeleteShape(MShape*& shape);
    // The document's, then the value windows emptied and, unless
    // calibrating, select mode.
    void DeleteAllShapes();
    template <typename Relation>
    Relation* AddRelation(std::unique_ptr<Relation> relation)
    {
        return Document.AddRelation(std::move(relation));
    }
    MRelation* FindRelationLike(const MRelation* relation) const { return Document.FindRelationLike(relation); }
    MRelation* FindRelationBetween(const MShape* a, const MShape* b) const
    {
        return Document.FindRelationBetween(a, b);
    }
    MRelation* RelationAt(int x, int y) const { return Document.RelationAt(x, y); }
    bool RemoveRelationsOf(const MShape* shape) { return Document.RemoveRelationsOf(shape); }
    bool ClearSelectedRelation() { return Document.ClearSelectedRelation(); }

    // Hears the tool windows (value, magnifier, calibration) once they all
    // exist: start-up calls it after creating the forms.
    void ConnectToolWindows();

    // ---- Messages from a later start ----
    void Dispatch(int message);
    void BringToFrontHandler();

    // ---- Tools, modes, status ----
    void SelectToolMode(int mode);
    void SetToolButtons(QAction* item);
    void ArmShapeTool();
    void ResetSelection();
    void ShowStatus(const std::string& text, int kind);
    void ShowCursorPos(int x, int y);
    void SetViewOption(int optionId, bool shown);
    void ApplyLanguage();
    void SetLanguage(int code, bool save);

    // ---- Image and drawing ----
    // Reads and decodes the picture first; only a picture taken replaces the
    // working image (and, in select mode without option 306, the shapes).
    // A missing picture shows "Can not find image file" in the message
    // panel, a file that is there but cannot be read as a picture "Open
    // Image File Error", except for the start-up picture; a picture taken
    // empties the message panel.
    bool LoadImageFile(std::string name);
    void RedrawImage();
    void DrawRuler();
    double DefaultRulerLength();
    void ImagePaintPaint();
    // The paint box takes the bitmap's size and shows it at (0, 0).
    void PaintBitmap(TPaintBox* target, const TBitmap* source);

    // ---- Magnifier (QuorvexImage.cpp) ----
    bool IsZoomShown() const;
    // Shows the view around image position (x, y) with its cross-hair;
    // (-1, -1) is the last position again.
    void DrawZoom(int x, int y);
    // The block of the view starts again from the picture; the shapes drawn
    // next land on it (the full redraw draws them).
    void RebuildZoomImages();
    // Wipes rubber bands off the paint box (WipeTransient) and the
    // magnifier's view around (x, y).
    void RestoreViewAt(int x, int y);

    // ---- Mouse and keys on the image (QuorvexMouse.cpp) ----
    // What the mouse on the picture is doing, and so where its next press,
    // move and release go (the table in QuorvexMouse.cpp).
    enum class TPictureState {
        Still,         // nothing takes the mouse: no shape to create, no ruler line open
        Typing,        // create mode: the new text mark's box is open
        Creating,      // create mode: the shape under creation takes the clicks
        Ruling,        // calibration: the ruler line takes the clicks
        Hovering,      // select mode, no drag
        Banding,       // select mode: a rubber band is dragged
        GroupMoving,   // select mode: every selected shape is dragged
        ShapeDragging, // select mode: a point, the body or a label of Selected is dragged
        LabelDragging, // select mode: the label of SelectedRelation is dragged
    };
    // The one place that decides it, from the mode and the drag in progress.
    TPictureState PictureState() const;
    // Takes transient drawing (rubber bands, highlights, previews) off the
    // paint box: it shows the back buffer again, or the plain picture while
    // calibrating.
    void WipeTransient();
    // The shape under creation, or the ruler line, once its first click is
    // in: the next click goes on with it, so it is always on screen. Null
    // when nothing is pending.
    MShape* PendingShape() const;
    // Draws the pending shape's rubber band again, to BandEnd, over what the
    // paint box shows; nothing when nothing is pending.
    void ShowPendingShape();
    // Drops the pending shape and arms its tool (or the ruler line) afresh;
    // false when nothing was pending.
    bool AbandonPending();
    void ImagePaintMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void ImagePaintMouseMove(TShiftState shift, int x, int y);
    void ImagePaintMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void ImagePaintDblClick();
    void TrackMouse(TShiftState shift, int x, int y);
    void MenuDeleteClick();
    void MenuClearClick();
    // The Edit menu's lock: shapes may be selected but not changed.
    bool IsLocked() const;
    bool MarksShown() const;

    // ---- Relation picking and the group commands (QuorvexPicking.cpp) ----
    int CountSelectedShapes() const { return Document.CountSelectedShapes(); }
    // One of the five relation kind buttons is down.
    bool IsRelationButtonDown() const;
    // The relation between a and b becomes the current one and its values
    // are shown: the listed one between them, else a new one held unlisted
    // until the operator keeps it; none for a pair of kinds that makes none.
    void BuildRelation(MShape* a, MShape* b);
    // The relation between a and b of the kind whose button is down, listed
    // at once; a listed relation between them is chosen instead. True when a
    // relation is now current (the kind buttons are then released); false
    // with no button down, or for a pair that does not fit the button (the
    // status bar says what to pick, and the button stays down).
    bool BuildButtonRelation(MShape* a, MShape* b);
    // BuildButtonRelation, then BuildRelation, on exactly two selected
    // shapes (the first two in list order), with a redraw.
    bool RelateSelectedByButton();
    bool RelateSelected();
    void ReleaseRelationButtons();
    void DeleteAllRelations();
    // The five kind buttons' shared handler, and SBRelation's.
    void SBPointPointClick();
    void SBRelationClick();
    // Keeps the current relation in the list, or takes it out (not freed).
    void MenuRelationClick();
    void MenuSelectAllClick();
    void MenuLockClick();
    void MenuShowMarkClick();
    void MenuMarkAllClick();
    void MenuMarkNoneClick();
    void MenuRelationNoneClick();

    // ---- Finishing new shapes and text marks (QuorvexFinish.cpp) ----
    void FinishShapeCreation(int x, int y);
    void SetAngleStep(int step);
    // After a finished shape: the same tool again when it is sticky, else
    // select mode with the shape's values shown.
    void ContinueAfterShape();
    void OpenMarkEditor(int x, int y, bool editExisting);
    // Hides the text-mark box and gives the keyboard back to the window.
    void HideMarkEditor();
    void CommitMarkText();
    void EditMarkKeyUp(int key);

    // ---- Value display and command states ----
    void ClearValues(bool alsoDigit);
    void AddValueLine(const std::string& name, const std::string& value);
    void UpdateSelection(bool alsoDigit);
    void ShowRelationValues();
    void UpdateEditCommands();
    bool IsSelectMode() const;
    bool HasShapes() const { return Document.HasShapes(); }
    bool HasRelations() const { return Document.HasRelations(); }
    bool HasSelectedShape() const { return Document.HasSelectedShape(); }
    bool CanDelete() const { return Document.CanDelete(); }
    bool HasSelectedUnmarked() const { return Document.HasSelectedUnmarked(); }
    bool HasMarkedShape() const { return Document.HasMarkedShape(); }
    bool HasUnmarkedShape() const { return Document.HasUnmarkedShape(); }
    bool IsRelationSelected() const { return Document.IsRelationSelected(); }

    // ---- Settings and layout ----
    bool LoadSettings();
    void SaveLayout();
    void ApplyMarkFont();

    // ---- Commands ----
    void MenuArrowClick();
    void MenuPointClick();
    void MenuLineClick();
    void MenuRectClick();
    void MenuCircleClick();
    void MenuCircleTripleClick();
    void MenuEllipseClick();
    void MenuArcClick();
    void MenuMarkClick();
    void MenuLineAngleClick();
    void MenuPolygonClick();
    void MenuAboutClick();
    void MenuExitClick();
    void MenuGrabClick();
    void MenuSplitClick();
    void MenuSplitLiveClick();
    // The options dialog and the ruler manager (QuorvexOptions.cpp).
    void MenuOptionsClick();
    void MenuRuleEditClick();
    void MenuLanEnglishClick();
    void MenuLanChineseSimplifiedClick();
    void MenuLanChineseTraditionalClick();

    // ---- Window events, under the old platform's names ----
    // Keys, seen before the focused control (the window's key preview).
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void FormKeyUp(int key, Qt::KeyboardModifiers shift);
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();

    // ---- Calibration (QuorvexCalibration.cpp) ----
    void MenuRuleClick();
    void StartCalibration(int direction, bool reset);
    void ShowCalibrationLength();
    void FinishCalibration(bool cancel);
    void ApplyCalibration();
    void ApplyRuler();
    // The paint box's mouse events in MODE_RULE: they draw the ruler line
    // until its last creation click, then show its length.
    void RuleMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void RuleMouseMove(TShiftState shift, int x, int y);
    void RuleMouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // ---- Opening and saving pictures (QuorvexImageFiles.cpp) ----
    void MenuOpenClick();
    void MenuSaveClick();
    // Writes the back buffer as shown, with everything drawn on it: JPEG at
    // quality 100 when the name ends in ".jpg" in any case, else a bitmap
    // whatever the extension. Throws an error naming the file; a failed save
    // leaves an existing file as it was.
    void SaveImageFile(const std::string& fileName) const;
    // Made on first use, then kept so that each remembers its folder.
    QFileDialog* OpenDialogImage = nullptr;
    QFileDialog* SaveDialogImage = nullptr;

    // ---- Numeric entry, presets and constructions (QuorvexDigit.cpp) ----
    // The modal numeric entry dialog of preset shapes, made when first used; owned.
    TFormDigit* PresetDialog = nullptr;
    // The pop-up menu's construction items, after their separator.
    QAction* PMSeparator = nullptr;
    QAction* PMCreate1 = nullptr;
    QAction* PMCreate2 = nullptr;
    // The numeric entry window shows the shape's values (when it is shown).
    void SetDigitShape(MShape* shape);
    // Rebuilds the selected shape from the values typed in the numeric entry
    // window, when the window shows that shape.
    void ApplyDigitValues();
    // Asks for the values of a new shape of the kind (1 point to 6 arc) in
    // the preset dialog and takes it into the document when confirmed.
    void CreatePresetShape(int kind);
    // The construction items of the pop-up menu and the numeric entry window
    // for the shape or relation shown there.
    void UpdateConstructionItems();
    // Adds the shapes of construction 1 or 2 of the shape or relation shown
    // in the numeric entry window; the last one ends up selected.
    void CreateConstruction(int n);
    void PMCreate1Click();
    void PMCreate2Click();
    void MenuPresetPointClick();
    void MenuPresetLineClick();
    void MenuPresetRectClick();
    void MenuPresetCircleClick();
    void MenuPresetEllipseClick();
    void MenuPresetArcClick();
    void PopupMenuImagePopup();

    // ---- Summary and export (QuorvexSummary.cpp) ----
    std::vector<std::string> BuildSummaryText();
    void MenuSumClick();
    // Asks for a file and writes the summary into it without unit names; a
    // file that cannot be written is named in an error message.
    void ExportSummary();
    QFileDialog* SaveDialogExcel = nullptr;

    // ---- Printing (QuorvexPrint.cpp) ----
    void MenuPrintClick();
    // Lays the page out from the picture, the document and the print
    // options, and gives the preview its image.
    void PrintImagePage();

    // The confirmation box (Yes and No) of the group commands and the exit
    // question; tests answer it.
    std::function<bool(const QString& text)> ConfirmBox;
    bool AskConfirmation(const QString& text);

Q_SIGNALS:
    // The window has closed for good (the program's end).
    void Closed();

public:
    // Showing runs FormShow first, so the stored settings place the window
    // before the window system first maps it (see setVisible).
    void setVisible(bool visible) override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // No tool-bar context menu: the View menu alone shows and hides the bars.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // The eleven tools in the Shape menu's order: menu item, speed button,
    // handler, and the shape each arms (none for the arrow).
    struct ToolItem {
        QAction* item;
        QAction* button;
        void (TFormMeasure::*handler)();
        std::unique_ptr<MShape> (*makeShape)(TCanvas* canvas);
    };
    std::vector<ToolItem> ToolItems() const;
    // The View menu's switches in the order the settings apply them: option,
    // menu item, the tool bar it shows (or null), and whether the option is
    // stored as soon as it changes rather than with the window layout.
    struct ViewSwitch {
        int optionId;
        QAction* item;
        QToolBar* toolBar;
        bool storedAtOnce;
    };
    std::vector<ViewSwitch> ViewSwitches() const;
    // The tool bars with the options that keep their places.
    std::vector<std::pair<int, QToolBar*>> ToolBarPlaces() const;
    void ChooseShapeTool(QAction* item);
    // Forgets the window's own pointers to a shape or relation that the
    // document is about to free.
    void ShapeFreeing(const MShape* shape);
    void CreateComponents();
    // The relation tool bar and the Edit menu's group commands.
    void ConnectPickingCommands();
    // A kind button of the relation tool bar pressed or released by the
    // operator; a button pressed releases the other four.
    void RelationButtonToggled(QAction* button, bool down);
    // A new relation between a and b becomes current and is listed; for a
    // pair joined already it is freed again.
    void KeepNewRelation(MShape* a, MShape* b);
    // Every shape shows its labels, or none does, when the question of the
    // slot is answered Yes.
    void MarkAllShapes(bool marked, int questionSlot);
    // The numeric entry, summary and print windows' parts of the main window.
    void CreateDigitComponents();
    // The part of ConnectToolWindows for the numeric entry, summary and
    // print windows.
    void ConnectEntryWindows();
    // The options dialog of printing, then the page laid out anew on OK.
    void PrintOptionClick();
    void ConnectCommands();
    // Connects a command; for a checkable item the check mark the click
    // toggled is put back first, so the handler decides, as the old menu
    // items without automatic checking did.
    void OnCommand(QAction* action, void (TFormMeasure::*handler)());
    void PlaceMainWindow();
    // `firstStartTop` is where a window with no stored place goes; it moves
    // down past each window placed there.
    void PlaceSizedWindow(QWidget* window, int optionId, int& firstStartTop);
    void PlaceToolBars();
    QString Slot(int slot) const;

    // Shapes or a relation's label are being dragged: they have moved since
    // the last full redraw.
    bool IsMovingShapes() const;
    // The mouse's handlers for the picture states.
    void ConnectImagePaintMouse();
    // The position kept the pick tolerance inside the paint box.
    TPoint ClampToPaintBox(int x, int y) const;
    // A press or release on the shape under creation: the click after the
    // rubber band is wiped, and the shape finished when it was the last.
    void CreationClick(int x, int y, const std::function<void()>& click);
    // A press while the text-mark box is open.
    void TextEntryMouseDown();
    void SelectMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    // A click on no shape: a relation under it, else a rubber band.
    void ClickOffShapes(TMouseButton button, TShiftState shift, int x, int y);
    // Highlights Selected when (x, y) hits it; false when it does not.
    bool HighlightSelectedAt(int x, int y);
    // Highlights the first shape, else (marks shown) the first relation,
    // under (x, y), with its cursor; the default cursor over nothing.
    void HighlightAt(int x, int y);
    void EndBand(int x, int y);
    // The redraw's shapes and relations, on a canvas of the caller's; with
    // `magnifiedArea`, only what may reach that part of the picture in the
    // magnifier (MDocument::Draw).
    void DrawDocument(TCanvas* canvas, const TRect* magnifiedArea = nullptr);
    // The magnifier's view moves to the block around (x, y), clean.
    void PlaceZoomView(int x, int y);
    void RenderZoomBack(TPoint centre);
    // The magnifier's view at `origin` of the picture without any drawing.
    void StretchPlainPicture(TBitmap& view, TPoint origin);
    // The view's centre: the image position the block is centred on.
    TPoint ZoomViewCentre;
    bool ZoomViewValid = false;
    // The raw picture on screen and in the back buffer.
    void ShowPlainImage();
    bool IsRuleLineOpen() const;
    // Once the ruler line's last creation click is in: drawn and measured;
    // before, its band is shown to the click at (x, y).
    void EndRuleLineIfFinished(int x, int y);
};

// Null until start-up creates the main window.
extern TFormMeasure* FormMeasure;
