// The main window: the measuring document (working image, back buffer, shape
// and relation lists, selection, tool and mode) with its menus, tool bars,
// paint box and status bar. Created first of all forms at start-up and living
// until exit; every other workspace window works through it.
#pragma once

#include "platform/gui/GuiTypes.h"
#include "platform/gui/TPaintBox.h"
#include "shapes/MTool.h"
#include "ui_TFormMeasure.h"
#include "workspace/MCalibration.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <string>
#include <vector>

class MLan;
class MParam;
class MShape;
class MRelation;
class MTool;
class QFileDialog;
class QLabel;
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
    MShape* Selected = nullptr;
    MRelation* SelectedRelation = nullptr;
    MShape* CalibrationRule = nullptr; // owned, never listed
    std::vector<MShape*> ShapeList;    // owned, drawing and hit-test order
    std::vector<MRelation*> RelationList; // owned
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

    // ---- Document: the shape and relation lists ----
    bool AddShape(MShape* shape);
    int NextSerialNumber(int kind) const;
    bool IsInShapeList(const MShape* shape) const;
    MShape* ShapeAt(int x, int y) const;
    void SelectShape(MShape* shape, bool exclusive);
    bool ClearSelected();
    bool DeleteShape(MShape*& shape);
    void DeleteAllShapes();
    bool AddRelation(MRelation* relation);
    MRelation* FindRelationLike(const MRelation* relation) const;
    MRelation* FindRelationBetween(const MShape* a, const MShape* b) const;
    MRelation* RelationAt(int x, int y) const;
    bool RemoveRelationsOf(const MShape* shape);
    bool ClearSelectedRelation();

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
    // A picture that cannot be read shows "Can not find image file" in the
    // message panel, except for the start-up picture.
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
    // Wipes rubber bands: the paint box from the picture (fromImage) or the
    // back buffer, the magnifier's view from its clean copy.
    void RestoreViewAt(int x, int y, bool fromImage);

    // ---- Mouse and keys on the image (QuorvexMouse.cpp) ----
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

    // ---- Relation picking by mouse (QuorvexPicking.cpp) ----
    int CountSelectedShapes() const;
    bool IsRelationButtonDown() const;
    void BuildRelation(MShape* a, MShape* b);
    bool BuildButtonRelation(MShape* a, MShape* b);

    // ---- Finishing new shapes and text marks (QuorvexFinish.cpp) ----
    void FinishShapeCreation(int x, int y);
    void SetAngleStep(int step);
    // After a finished shape: the same tool again when it is sticky, else
    // select mode with the shape's values shown.
    void ContinueAfterShape();
    void OpenMarkEditor(int x, int y, bool editExisting);
    void CommitMarkText();
    void EditMarkKeyUp(int key);

    // ---- Value display and command states ----
    void ClearValues(bool alsoDigit);
    void AddValueLine(const std::string& name, const std::string& value);
    void UpdateSelection(bool alsoDigit);
    void ShowRelationValues();
    void UpdateEditCommands();
    bool IsSelectMode() const;
    bool HasShapes() const;
    bool HasRelations() const;
    bool HasSelectedShape() const;
    bool CanDelete() const;
    bool HasSelectedUnmarked() const;
    bool HasMarkedShape() const;
    bool HasUnmarkedShape() const;
    bool IsRelationSelected() const;

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

    // The confirmation box (Yes and No) of the group commands and the exit
    // question; tests answer it.
    std::function<bool(const QString& text)> ConfirmBox;
    bool AskConfirmation(const QString& text);

Q_SIGNALS:
    // The window has closed for good (the program's end).
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // No tool-bar context menu: the View menu alone shows and hides the bars.
    QMenu* createPopupMenu() override { return nullptr; }

private:
    // The eleven tool items with their speed buttons, in the Shape menu's order.
    struct ToolItem {
        QAction* item;
        QAction* button;
    };
    std::vector<ToolItem> ToolItems() const;
    void ChooseShapeTool(QAction* item);
    // Redraw step for the relations: each listed one, then an unlisted
    // current relation, while marks are shown.
    void DrawRelations(TCanvas* canvas);
    // Frees the current relation and every listed one.
    void FreeRelations();
    // Frees one relation and forgets it as the numeric entry window's shape.
    void DeleteRelation(MRelation* relation);
    // Frees the whole document: relations before the shapes they point at.
    void FreeDocument();
    // Frees every relation, then every listed shape, and forgets them.
    void FreeShapes();
    void CreateComponents();
    void ConnectCommands();
    // Connects a command; for a checkable item the check mark the click
    // toggled is put back first, so the handler decides, as the old menu
    // items without automatic checking did.
    void OnCommand(QAction* action, void (TFormMeasure::*handler)());
    void PlaceMainWindow();
    void PlaceSizedWindow(QWidget* window, int optionId);
    void PlaceToolBars();
    QString Slot(int slot) const;

    // Mouse routing by mode.
    void ConnectImagePaintMouse();
    // The position kept the pick tolerance inside the paint box.
    TPoint ClampToPaintBox(int x, int y) const;
    void CreateMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    // A press while the text-mark box is open.
    void TextEntryMouseDown();
    void SelectMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    // A click on no shape: a relation under it, else a rubber band.
    void ClickOffShapes(TMouseButton button, TShiftState shift, int x, int y);
    void TrackSelect(TShiftState shift, int x, int y);
    void SelectMouseUp(TMouseButton button, TShiftState shift, int x, int y);
    void EndBand(int x, int y);
    // Forgets every pointer to a shape about to be freed.
    void ForgetShape(const MShape* shape);
    // The redraw's shapes and relations, on a canvas of the caller's.
    void DrawDocument(TCanvas* canvas);
    // The magnifier's view moves to the block around (x, y), clean.
    void PlaceZoomView(int x, int y);
    void RenderZoomBack(TPoint centre);
    // The view's centre: the image position the block is centred on.
    TPoint ZoomViewCentre;
    bool ZoomViewValid = false;
    // The raw picture on screen and in the back buffer.
    void ShowPlainImage();
    bool IsRuleLineOpen() const;
    // Once the ruler line's last creation click is in: drawn and measured.
    void EndRuleLineIfFinished();
};

// Null until start-up creates the main window.
extern TFormMeasure* FormMeasure;
