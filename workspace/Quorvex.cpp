#include "workspace/Quorvex.h"

#include "capture/MGrab.h"
#include "capture/MSplit.h"
#include "capture/MSplitLive.h"
#include "platform/gui/TApplication.h"
#include "platform/gui/TBitmap.h"
#include "platform/system/FloatText.h"
#include "platform/system/SingleInstance.h"
#include "settings/MLan.h"
#include "settings/MParam.h"
#include "shapes/MArc.h"
#include "shapes/MCircle.h"
#include "shapes/MEllipse.h"
#include "shapes/MLine.h"
#include "shapes/MMark.h"
#include "shapes/MPoint.h"
#include "shapes/MPolygon.h"
#include "shapes/MRect.h"
#include "shapes/MRuleTool.h"
#include "shapes/MShape.h"
#include "shapes/MTool.h"
#include "workspace/MAbout.h"
#include "workspace/MDigit.h"
#include "workspace/MRuleHoriVert.h"
#include "workspace/MValue.h"
#include "workspace/MZoom.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QWindow>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <cstdio>

TFormMeasure* FormMeasure = nullptr;

namespace {

// Ruler lengths outside this range are not drawn as given.
constexpr double kMinRulerLength = 1e-6;
constexpr double kMaxRulerLength = 1e9;
// The colour of the sticky-tool frame (blue, 0x00BBGGRR).
constexpr TColor kStickyFrameColor = 0xFF0000;
// Room for a window's title bar and border, which the window manager adds
// after the window is placed.
constexpr int kFrameAllowance = 30;
// The main window's title bar, menu and two rows of tool bars.
constexpr int kFirstStartToolWindowOffset = 140;

// The frame drawn around the speed button of a sticky tool.
class TStickyFrame : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(ToQColor(kStickyFrameColor));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
};

} // namespace

TFormMeasure::TFormMeasure(QWidget* parent)
    : QMainWindow(parent)
{
    setupUi(this);
    CreateComponents();
    CreateDigitComponents();
    ConnectCommands();

    // Key preview: the window's key events pass here before any control
    // (the scroll area would take the arrow keys).
    qApp->installEventFilter(this);
    Document.OnFreeing = [this](const MShape* shape) { ShapeFreeing(shape); };
    Param = MParam::GetInstance();
    Lan = MLan::GetInstance();
    Tool = MTool::GetInstance();
    Tool->SetCanvas(ImagePaint->Canvas());
    ApplyLanguage();
    ImagePaint->move(0, 0);
    ConnectImagePaintMouse();
    ImageBitmap = new TBitmap;
    BufferBitmap = new TBitmap;
    LoadImageFile(DefaultImageFile);
    Banding = false;
    StickyTool = false;
    CtrlDown = false;
    SettingsLoaded = false;
    GroupMove = false;
    TextEntry = false;
    SelectToolMode(MODE_SELECT);
    SetAngleStep(0);
    ScreenWidth = 800;
    ScreenHeight = 600;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        ScreenWidth = desktop.x() + desktop.width();
        ScreenHeight = desktop.y() + desktop.height();
    }
}

TFormMeasure::~TFormMeasure()
{
    // The ruler line, then the document while the window can still hear it.
    CalibrationRule.reset();
    Document.DeleteAllShapes();
    if (ZoomImage && MShape::GetZoomCanvas() == ZoomImage->Canvas())
        MShape::SetZoomCanvas(nullptr);
    delete ZoomBackImage;
    delete ZoomImage;
    delete ImageBitmap;
    delete BufferBitmap;
    if (FormMeasure == this)
        FormMeasure = nullptr;
}

void TFormMeasure::CreateComponents()
{
    // The arrow keys nudge shapes; a click on the picture must not give the
    // scroll area the focus, or they would scroll it as well.
    ScrollBoxPaint->setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < int(StatusPanels.size()); ++i) {
        StatusPanels[i] = new QLabel(StatusBar);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanels[i]->setMinimumWidth(std::array{50, 100, 200}[i]);
        StatusBar->addWidget(StatusPanels[i], i == 2 ? 1 : 0);
    }

    PopupMenuImage = new QMenu(this);
    PopupMenuImage->setObjectName(QStringLiteral("PopupMenuImage"));
    PopupMenuImage->addAction(PMShowMark);
    PopupMenuImage->addAction(PMRelation);
    PopupMenuImage->addSeparator();
    PopupMenuImage->addAction(PMDelete);

    PaintOrna = new TStickyFrame(ToolBarShape);
    PaintOrna->setObjectName(QStringLiteral("PaintOrna"));
    PaintOrna->setAttribute(Qt::WA_TransparentForMouseEvents);
    PaintOrna->hide();

    // The three edit buttons carry captions besides their glyphs.
    for (QAction* captioned : {SBMarkShape, SBDelete, SBMarkRelation})
        if (auto* button = qobject_cast<QToolButton*>(ToolBarEdit->widgetForAction(captioned)))
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    // Tool bars, marks and names start shown and the tool windows hidden,
    // until the settings say otherwise.
    for (QAction* shown : {MenuViewTool, MenuViewShape, MenuViewRelation, MenuViewEdit, MenuViewMark, MenuViewName})
        shown->setChecked(true);
}

namespace {

template <typename Shape>
std::unique_ptr<MShape> Make(TCanvas* canvas)
{
    return std::make_unique<Shape>(canvas);
}

} // namespace

std::vector<TFormMeasure::ToolItem> TFormMeasure::ToolItems() const
{
    return {{MenuArrow, SBArrow, &TFormMeasure::MenuArrowClick, nullptr},
            {MenuPoint, SBPoint, &TFormMeasure::MenuPointClick, &Make<MPoint>},
            {MenuLine, SBLine, &TFormMeasure::MenuLineClick, &Make<MLine>},
            {MenuRect, SBRect, &TFormMeasure::MenuRectClick, &Make<MRect>},
            {MenuCircle, SBCircle, &TFormMeasure::MenuCircleClick, &Make<MCircle>},
            {MenuCircleTriple, SBCircleTriple, &TFormMeasure::MenuCircleTripleClick, &Make<MCircleTriple>},
            {MenuEllipse, SBEllipse, &TFormMeasure::MenuEllipseClick, &Make<MEllipse>},
            {MenuArc, SBArc, &TFormMeasure::MenuArcClick, &Make<MArc>},
            {MenuMark, SBMark, &TFormMeasure::MenuMarkClick, &Make<MMark>},
            {MenuLineAngle, SBLineAngle, &TFormMeasure::MenuLineAngleClick, &Make<MLine>},
            {MenuPolygon, SBPolygon, &TFormMeasure::MenuPolygonClick, &Make<MPolygon>}};
}

std::vector<TFormMeasure::ViewSwitch> TFormMeasure::ViewSwitches() const
{
    return {{OPT_VIEW_TOOL, MenuViewTool, ToolBarTool, false},
            {OPT_VIEW_SHAPE, MenuViewShape, ToolBarShape, false},
            {OPT_VIEW_ATTR, MenuViewAttr, nullptr, false},
            {OPT_VIEW_DIGIT, MenuViewDigit, nullptr, false},
            {OPT_VIEW_MARK, MenuViewMark, nullptr, true},
            {OPT_VIEW_RELATION, MenuViewRelation, ToolBarRelation, false},
            {OPT_VIEW_RULE, MenuViewRule, nullptr, true},
            {OPT_VIEW_ZOOM, MenuViewZoom, nullptr, false},
            {OPT_VIEW_NAME, MenuViewName, nullptr, true},
            {OPT_VIEW_EDIT, MenuViewEdit, ToolBarEdit, false}};
}

std::vector<std::pair<int, QToolBar*>> TFormMeasure::ToolBarPlaces() const
{
    return {{OPT_POS_TOOLBAR_RELATION, ToolBarRelation},
            {OPT_POS_TOOLBAR_SHAPE, ToolBarShape},
            {OPT_POS_TOOLBAR_EDIT, ToolBarEdit},
            {OPT_POS_TOOLBAR_TOOL, ToolBarTool}};
}

void TFormMeasure::OnCommand(QAction* action, void (TFormMeasure::*handler)())
{
    connect(action, &QAction::triggered, this, [this, action, handler] {
        if (action->isCheckable()) {
            const QSignalBlocker blocker(action);
            action->setChecked(!action->isChecked());
        }
        (this->*handler)();
    });
}

void TFormMeasure::ConnectCommands()
{
    for (const ToolItem& tool : ToolItems()) {
        OnCommand(tool.item, tool.handler);
        OnCommand(tool.button, tool.handler);
    }
    OnCommand(MenuAbout, &TFormMeasure::MenuAboutClick);
    OnCommand(MenuExit, &TFormMeasure::MenuExitClick);
    OnCommand(MenuOpen, &TFormMeasure::MenuOpenClick);
    OnCommand(SBOpen, &TFormMeasure::MenuOpenClick);
    OnCommand(MenuSave, &TFormMeasure::MenuSaveClick);
    OnCommand(SBSave, &TFormMeasure::MenuSaveClick);
    OnCommand(MenuRule, &TFormMeasure::MenuRuleClick);
    OnCommand(SBRule, &TFormMeasure::MenuRuleClick);
    OnCommand(MenuDelete, &TFormMeasure::MenuDeleteClick);
    OnCommand(SBDelete, &TFormMeasure::MenuDeleteClick);
    OnCommand(PMDelete, &TFormMeasure::MenuDeleteClick);
    OnCommand(MenuClear, &TFormMeasure::MenuClearClick);
    ConnectPickingCommands();
    OnCommand(MenuGrab, &TFormMeasure::MenuGrabClick);
    OnCommand(SBGrab, &TFormMeasure::MenuGrabClick);
    OnCommand(MenuSplit, &TFormMeasure::MenuSplitClick);
    OnCommand(SBCompare, &TFormMeasure::MenuSplitClick);
    OnCommand(MenuSplitLive, &TFormMeasure::MenuSplitLiveClick);
    OnCommand(SBCompareDyn, &TFormMeasure::MenuSplitLiveClick);
    OnCommand(MenuOptions, &TFormMeasure::MenuOptionsClick);
    OnCommand(SBOption, &TFormMeasure::MenuOptionsClick);
    OnCommand(MenuRuleEdit, &TFormMeasure::MenuRuleEditClick);
    OnCommand(MenuLanEnglish, &TFormMeasure::MenuLanEnglishClick);
    OnCommand(MenuLanChineseSimplified, &TFormMeasure::MenuLanChineseSimplifiedClick);
    OnCommand(MenuLanChineseTraditional, &TFormMeasure::MenuLanChineseTraditionalClick);

    for (const ViewSwitch& view : ViewSwitches()) {
        // The click has toggled the check: that is the negation of the check
        // mark the item carried, which the switch takes.
        connect(view.item, &QAction::triggered, this,
                [this, optionId = view.optionId](bool shown) { SetViewOption(optionId, shown); });
    }
}

QString TFormMeasure::Slot(int slot) const
{
    return QString::fromStdString(Lan->Texts[slot]);
}

void TFormMeasure::ConnectToolWindows()
{
    if (FormValue)
        connect(FormValue, &TFormValue::Closed, this, [this] { SetViewOption(OPT_VIEW_ATTR, false); });
    if (FormZoom)
        connect(FormZoom, &TFormZoom::Closed, this, [this] { SetViewOption(OPT_VIEW_ZOOM, false); });
    if (FormRuleHoriVert) {
        connect(FormRuleHoriVert, &TFormRuleHoriVert::DirectionChosen, this,
                [this](int direction) { StartCalibration(direction, false); });
        connect(FormRuleHoriVert, &TFormRuleHoriVert::Finished, this, &TFormMeasure::FinishCalibration);
    }
    ConnectEntryWindows();
}

// ---- Messages from a later start ----

void TFormMeasure::Dispatch(int message)
{
    if (message == WM_INSTANCE_ACTIVATE)
        BringToFrontHandler();
}

void TFormMeasure::BringToFrontHandler()
{
    TApplication::BringToFront(this);
}

// ---- Tools, modes, status ----

void TFormMeasure::SelectToolMode(int mode)
{
    if (TextEntry) {
        TextEntry = false;
        HideMarkEditor();
    }
    if (FormRuleHoriVert)
        FormRuleHoriVert->setVisible(mode == MODE_RULE);
    Mode = mode;
    // The magnifier shows the shapes in every mode but calibration.
    ZoomViewValid = false;
    if (mode == MODE_CREATE || mode == MODE_RULE) {
        ImagePaint->setCursor(Qt::CrossCursor);
        ShowStatus(Lan->Texts[mode == MODE_CREATE ? 152 : 153], STATUS_MODE);
        UpdateEditCommands();
        return;
    }
    ImagePaint->unsetCursor();
    ShowStatus(Lan->Texts[154], STATUS_MODE);
    StickyTool = false;
    if (Selected && !IsInShapeList(Selected))
        ClearSelected();
    // An angle whose second line was never drawn loses its first line.
    if (AngleStep == 2 && AngleFirstLine)
        DeleteShape(AngleFirstLine);
    SetAngleStep(0);
    SetToolButtons(MenuArrow);
    RedrawImage();
    UpdateEditCommands();
}

void TFormMeasure::ArmShapeTool()
{
    ClearSelected();
    UpdateSelection(true);
    // SetToolButtons checks one tool item at most; the arrow arms nothing.
    const std::vector<ToolItem> tools = ToolItems();
    const auto checked = std::find_if(tools.begin(), tools.end(), [](const ToolItem& tool) {
        return tool.item->isChecked();
    });
    if (checked == tools.end() || !checked->makeShape)
        return;
    Document.SetSelected(checked->makeShape(ImagePaint->Canvas()));
    SelectToolMode(MODE_CREATE);
}

void TFormMeasure::ResetSelection()
{
    SetToolButtons(MenuArrow);
    ClearSelected();
    ClearSelectedRelation();
    ClearValues(true);
}

void TFormMeasure::ChooseShapeTool(QAction* item)
{
    SetToolButtons(item);
    ArmShapeTool();
}

void TFormMeasure::SetToolButtons(QAction* item)
{
    if (!item || Mode == MODE_RULE)
        return;
    QAction* pressed = nullptr;
    for (const ToolItem& tool : ToolItems()) {
        const QSignalBlocker itemBlocker(tool.item);
        const QSignalBlocker buttonBlocker(tool.button);
        tool.item->setChecked(tool.item == item);
        tool.button->setChecked(tool.item == item);
        if (tool.item == item && item != MenuArrow)
            pressed = tool.button;
    }
    // Ctrl decides stickiness even for the arrow, which has no frame.
    StickyTool = CtrlDown;
    QWidget* button = pressed ? ToolBarShape->widgetForAction(pressed) : nullptr;
    if (CtrlDown && button) {
        PaintOrna->setGeometry(button->geometry().adjusted(-1, -1, 1, 1));
        PaintOrna->show();
        PaintOrna->raise();
    } else {
        PaintOrna->hide();
    }
}

void TFormMeasure::ShowStatus(const std::string& text, int kind)
{
    const int panel = kind == STATUS_MODE ? 0 : kind == STATUS_CURSOR ? 1 : 2;
    StatusPanels[panel]->setText(QString::fromStdString(text));
}

void TFormMeasure::ShowCursorPos(int x, int y)
{
    const int height = ImagePaint->Height();
    const int shownY = height < 1 ? y : height - y;
    ShowStatus(" X:" + std::to_string(x) + " Y:" + std::to_string(shownY), STATUS_CURSOR);
}

void TFormMeasure::SetViewOption(int optionId, bool shown)
{
    const std::vector<ViewSwitch> views = ViewSwitches();
    const auto view = std::find_if(views.begin(), views.end(),
                                   [optionId](const ViewSwitch& v) { return v.optionId == optionId; });
    if (view == views.end())
        return;
    view->item->setChecked(shown);
    if (view->toolBar)
        view->toolBar->setVisible(shown);
    if (view->storedAtOnce) {
        Param->SetBool(optionId, shown, true);
        RedrawImage();
    }
    switch (optionId) {
    case OPT_VIEW_ATTR:
        if (FormValue)
            FormValue->setVisible(shown);
        UpdateSelection(true);
        break;
    case OPT_VIEW_DIGIT:
        if (FormDigit)
            FormDigit->setVisible(shown);
        UpdateSelection(true);
        break;
    case OPT_VIEW_ZOOM:
        if (FormZoom)
            FormZoom->setVisible(shown);
        // Shown, the view is rendered afresh where the mouse was last and the
        // shapes draw on it; hidden, nothing is rendered for it.
        MShape::SetZoomCanvas(nullptr);
        ZoomViewValid = false;
        DrawZoom(-1, -1);
        break;
    default:
        break;
    }
}

void TFormMeasure::ApplyLanguage()
{
    const int language = Lan->GetLanguage();
    TApplication::SetStandardDialogLanguage(QString::fromStdString(Lan->LocaleName()));
    TApplication::SetTitle(Slot(1));
    setWindowTitle(Slot(1));

    const std::pair<int, QMenu*> menus[] = {
        {2, MenuFile},   {8, MenuEdit},         {19, MenuAction},     {27, MenuShape},
        {39, MenuPresetShape}, {40, MenuView},  {41, MenuViewToolBar}, {56, MenuHelp}, {52, MenuLan}};
    for (const auto& [slot, menu] : menus)
        menu->setTitle(Slot(slot));

    const std::pair<int, QAction*> items[] = {
        {3, MenuOpen},          {4, MenuSave},           {5, MenuOptions},        {6, MenuPrint},
        {7, MenuExit},          {9, MenuDelete},         {10, MenuClear},         {11, MenuSelectAll},
        {12, MenuRelation},     {13, MenuRuleEdit},      {14, MenuShowMark},      {15, MenuMarkAll},
        {16, MenuMarkNone},     {17, MenuRelationNone},  {18, MenuLock},          {20, MenuGrab},
        {21, MenuRule},         {24, MenuSplit},         {25, MenuSplitLive},     {26, MenuSum},
        {28, MenuArrow},        {29, MenuPoint},         {30, MenuLine},          {31, MenuRect},
        {32, MenuCircle},       {33, MenuEllipse},       {34, MenuArc},           {35, MenuCircleTriple},
        {36, MenuMark},         {37, MenuLineAngle},     {38, MenuPolygon},       {29, MenuPresetPoint},
        {30, MenuPresetLine},   {31, MenuPresetRect},    {32, MenuPresetCircle},  {33, MenuPresetEllipse},
        {34, MenuPresetArc},    {42, MenuViewTool},      {43, MenuViewShape},     {44, MenuViewAttr},
        {45, MenuViewMark},     {46, MenuViewRelation},  {47, MenuViewRule},      {48, MenuViewEdit},
        {49, MenuViewZoom},     {50, MenuViewName},      {51, MenuViewDigit},     {57, MenuAbout},
        {53, MenuLanEnglish},   {54, MenuLanChineseSimplified}, {55, MenuLanChineseTraditional},
        {58, SBMarkShape},      {59, SBDelete},          {60, SBMarkRelation}};
    for (const auto& [slot, item] : items)
        item->setText(Slot(slot));
    // A floating tool bar is titled with the caption of its View menu item.
    for (const ViewSwitch& view : ViewSwitches())
        if (view.toolBar)
            view.toolBar->setWindowTitle(view.item->text().remove(QLatin1Char('&')));

    const std::pair<int, QAction*> hints[] = {
        {121, SBGrab},        {122, SBRule},       {125, SBOpen},        {126, SBSave},
        {127, SBDelete},      {128, SBPrint},      {129, SBOption},      {130, SBCompare},
        {131, SBCompareDyn},  {132, SBArrow},      {133, SBPoint},       {134, SBLine},
        {135, SBRect},        {136, SBCircle},     {137, SBEllipse},     {138, SBArc},
        {139, SBCircleTriple}, {140, SBMark},      {141, SBLineAngle},   {142, SBPolygon},
        {143, SBPointPoint},  {144, SBPointLine},  {145, SBLineLine},    {146, SBLineCircle},
        {147, SBCircleCircle}, {148, SBSum},       {149, SBMarkShape},   {150, SBLock},
        {151, SBMarkRelation}};
    for (const auto& [slot, button] : hints)
        button->setToolTip(Slot(slot));

    PMShowMark->setText(Slot(14));
    PMRelation->setText(Slot(12));
    PMDelete->setText(Slot(9));
    SBRelation->setToolTip(Slot(251));

    ShowStatus("", STATUS_MODE);
    ShowStatus("", STATUS_HINT);

    // The tool windows take their captions when shown. Those on screen take
    // them again in place: hiding and showing them anew would let a window
    // manager choose new places for them.
    if (FormValue && FormValue->isVisible())
        FormValue->FormShow();
    if (FormZoom && FormZoom->isVisible())
        FormZoom->FormShow();
    if (FormRuleHoriVert && FormRuleHoriVert->isVisible())
        FormRuleHoriVert->FormShow();
    if (FormDigit && FormDigit->isVisible())
        FormDigit->FormShow();

    MenuLanEnglish->setChecked(language == LAN_ENGLISH);
    MenuLanChineseSimplified->setChecked(language == LAN_CHINESE_SIMPLIFIED);
    MenuLanChineseTraditional->setChecked(language == LAN_CHINESE_TRADITIONAL);
}

void TFormMeasure::SetLanguage(int code, bool save)
{
    if (!Lan->SetLanguage(code))
        return;
    // The window takes its new texts first: they empty the status bar, which
    // would take away the message of a store that refuses the write.
    ApplyLanguage();
    if (save)
        Param->SetInt(OPT_LANGUAGE, code, true);
    RedrawImage();
    UpdateSelection(true);
}

// ---- Image and drawing ----

void TFormMeasure::RedrawImage()
{
    // The screen lets go of the last buffer, so the next one is drawn into
    // the same pixels: a redraw never holds two buffers.
    ImagePaint->LetGoOfImage();
    if (Mode == MODE_RULE) {
        // Ruler lines are drawn over the plain picture, which stays apart.
        BufferBitmap->CopyPixels(*ImageBitmap);
    } else if (RulerAspect == RULER_ASPECT_NONE) {
        // The shapes go on the picture's own pixels, which keep what they
        // covered: a large picture is never held twice.
        BufferBitmap->DrawOver(*ImageBitmap);
    } else {
        // However lopsided the calibration, the shrunk axis keeps a pixel, so
        // the picture never vanishes from the screen.
        int width = ImageBitmap->Width();
        int height = ImageBitmap->Height();
        if (RulerAspect == RULER_ASPECT_WIDTH)
            width = std::max(1, MTool::RoundToInt(width * RulerRatio));
        else
            height = std::max(1, MTool::RoundToInt(height * RulerRatio));
        BufferBitmap->SetSize(width, height);
        BufferBitmap->Canvas()->StretchDraw({0, 0, width, height}, *ImageBitmap);
    }
    // The shapes drawn next land on the magnifier's view too.
    RebuildZoomImages();
    DrawDocument(BufferBitmap->Canvas());
    if (Param->BoolValue(OPT_VIEW_RULE) && Param->HasScale())
        DrawRuler();
    PaintBitmap(ImagePaint, BufferBitmap);
    if (IsZoomShown())
        ZoomBackImage->Assign(*ZoomImage);
    // A shape half drawn stays in sight: the next click goes on with it.
    ShowPendingShape();
    if (IsZoomShown())
        DrawZoom(-1, -1);
}

void TFormMeasure::DrawDocument(TCanvas* canvas, const TRect* magnifiedArea)
{
    // The shape under creation draws its own rubber band.
    Document.Draw(canvas, MarksShown(), Mode != MODE_CREATE, magnifiedArea);
}

double TFormMeasure::DefaultRulerLength()
{
    double value = 50 * MRuleTool::GetInstance()->GetScale();
    if (value < kMinRulerLength)
        return kMinRulerLength;
    if (value > kMaxRulerLength)
        return kMaxRulerLength;
    int steps = 0;
    if (value < 1) {
        while (value < 1) {
            value *= 10;
            ++steps;
        }
        value = MTool::TruncToInt(value);
        for (; steps > 0; --steps)
            value *= 0.1;
    } else {
        while (value > 10) {
            value *= 0.1;
            ++steps;
        }
        value = MTool::TruncToInt(value);
        for (; steps > 0; --steps)
            value *= 10;
    }
    return value;
}

void TFormMeasure::DrawRuler()
{
    const double standard = DefaultRulerLength();
    double length = standard;
    if (Param->BoolValue(OPT_RULE_USER)) {
        double user = 0.0;
        Param->GetDouble(OPT_RULE_USER_VALUE, user);
        length = (user > 10 * standard || user < 0.1 * standard) ? standard : user;
    }
    const MRuleTool* ruleTool = MRuleTool::GetInstance();
    const std::string unit = ruleTool->GetUnitName();
    const double scale = ruleTool->GetScale();
    const int pixels = MTool::RoundToInt(length / scale);

    const int x0 = (BufferBitmap->Width() / 4) * 3 - pixels / 2;
    const int y = BufferBitmap->Height() - 20;
    const int x1 = x0 + pixels;
    const int tick = Param->GetActiveWidth();

    TCanvas* canvas = BufferBitmap->Canvas();
    const TColor color = TColor(Param->GetColor(OPT_COLOR_NORMAL));
    canvas->Pen.Style = psSolid;
    canvas->Pen.Color = color;
    MTool::DrawLine(canvas, {x0, y}, {x1, y});
    MTool::DrawLine(canvas, {x0, y - tick}, {x0, y + tick});
    MTool::DrawLine(canvas, {x1, y - tick}, {x1, y + tick});

    std::string text = platform::FloatToStr(length) + unit;
    if (Param->BoolValue(OPT_RULE_MAG)) {
        const double magnification = MRuleTool::PixelMagnification(scale, unit);
        if (magnification >= 1.0)
            text += "(" + Lan->Texts[261] + std::to_string(MTool::RoundToInt(magnification)) + Lan->Texts[263] + ")";
        else
            text += "(" + Lan->Texts[262] + std::to_string(MTool::RoundToInt(1.0 / magnification)) + Lan->Texts[263] +
                    ")";
    }
    canvas->Brush.Style = bsClear;
    canvas->Font.Color = color;
    canvas->TextOut((x0 + x1) / 2 - Tool->TextWidth(text) / 2, y - 25, text);
}

void TFormMeasure::ImagePaintPaint()
{
    PaintBitmap(ImagePaint, BufferBitmap);
}

void TFormMeasure::PaintBitmap(TPaintBox* target, const TBitmap* source)
{
    // The back buffer is the screen itself: marks drawn over it are put back
    // tile by tile, and no copy of a large picture is made to draw them.
    // Anything else (the plain picture) is shown as a copy, so no mark can
    // ever reach it.
    if (source == BufferBitmap)
        target->ShowImageInPlace(BufferBitmap->Image());
    else
        target->ShowImage(source->Image());
}

// ---- Value display and command states ----

void TFormMeasure::ClearValues(bool alsoDigit)
{
    if (FormValue)
        FormValue->ClearLines();
    if (alsoDigit && FormDigit)
        FormDigit->ClearFields();
    UpdateEditCommands();
}

void TFormMeasure::AddValueLine(const std::string& name, const std::string& value)
{
    if (FormValue)
        FormValue->AddLine(name, value);
}

void TFormMeasure::UpdateSelection(bool alsoDigit)
{
    ClearValues(alsoDigit);
    if (Mode != MODE_SELECT || !Selected || !Selected->selected)
        return;
    for (const MItem& item : Selected->GetResults())
        AddValueLine(item.name, item.value);
    SetDigitShape(Selected);
}

void TFormMeasure::ShowRelationValues()
{
    ClearValues(true);
    if (!SelectedRelation)
        return;
    for (const MItem& item : SelectedRelation->GetResults())
        AddValueLine(item.name, item.value);
    SetDigitShape(SelectedRelation);
    if (MarksShown()) {
        // The back buffer keeps what the relation covers; marks on screen
        // must not be among it.
        WipeTransient();
        SelectedRelation->Draw(DRAW_ACTIVE, BufferBitmap->Canvas());
    }
}

bool TFormMeasure::IsSelectMode() const
{
    return Mode == MODE_SELECT;
}

void TFormMeasure::UpdateEditCommands()
{
    const bool select = IsSelectMode();
    // Enabled, and for the twins of a checked command the check it carries.
    const auto set = [](QAction* command, bool enabled) { command->setEnabled(enabled); };
    const auto setChecked = [](QAction* command, bool checked) {
        const QSignalBlocker blocker(command);
        command->setChecked(checked);
    };

    const bool showMarkEnabled = select && HasSelectedShape();
    set(MenuShowMark, showMarkEnabled);
    setChecked(MenuShowMark, showMarkEnabled && !HasSelectedUnmarked());
    set(MenuMarkNone, select && HasMarkedShape());
    set(MenuMarkAll, select && HasUnmarkedShape());
    set(MenuRelationNone, select && HasRelations());
    set(MenuDelete, select && CanDelete());
    set(MenuClear, select && HasShapes());
    set(MenuSelectAll, select && HasShapes());
    const bool relationEnabled = select && SelectedRelation != nullptr;
    set(MenuRelation, relationEnabled);
    setChecked(MenuRelation, relationEnabled && IsRelationSelected());

    for (QAction* twin : {PMShowMark, SBMarkShape}) {
        set(twin, MenuShowMark->isEnabled());
        setChecked(twin, MenuShowMark->isChecked());
    }
    for (QAction* twin : {PMRelation, SBMarkRelation}) {
        set(twin, MenuRelation->isEnabled());
        setChecked(twin, MenuRelation->isChecked());
    }
    set(PMDelete, MenuDelete->isEnabled());
    set(SBDelete, MenuDelete->isEnabled());
}

// ---- Settings and layout ----

bool TFormMeasure::LoadSettings()
{
    if (SettingsLoaded)
        return false;
    // A store that refuses a write (a read-only folder, a full disk) is told
    // of once; the program goes on with the settings in memory. The store
    // outlives the window.
    Param->OnWriteRefused = [window = QPointer<TFormMeasure>(this)](const std::string& store) {
        if (window)
            window->ShowStatus(window->Lan->Message(MSG_CANNOT_SAVE_SETTINGS, store), STATUS_MESSAGE);
    };
    if (!Param->Open())
        ShowStatus(Param->BusyStore().empty() ? Lan->Texts[71] : Lan->Message(MSG_SETTINGS_BUSY, Param->BusyStore()),
                   STATUS_MESSAGE);
    else if (!Param->StoreNote().empty())
        ShowStatus(Lan->Texts[71] + ": " + Param->StoreNote(), STATUS_MESSAGE);

    PlaceMainWindow();
    TPoint p;
    std::int32_t packed = 0;
    if (FormValue) {
        Param->GetLong(OPT_SIZE_VALUE, packed);
        if (packed > 0) {
            MTool::UnpackPoint(packed, p);
            FormValue->resize(p.x, p.y);
        }
    }
    // Tool windows never placed before go in a column at the screen's right
    // edge, below the main window's title, menu and tool bars, so that they
    // hide none of them.
    int firstStartTop = y() + kFirstStartToolWindowOffset;
    PlaceSizedWindow(FormValue, OPT_POS_VALUE, firstStartTop);
    PlaceSizedWindow(FormDigit, OPT_POS_DIGIT, firstStartTop);
    PlaceSizedWindow(FormZoom, OPT_POS_ZOOM, firstStartTop);
    PlaceSizedWindow(FormRuleHoriVert, OPT_POS_RULE_HORI_VERT, firstStartTop);
    PlaceToolBars();

    for (const ViewSwitch& view : ViewSwitches())
        SetViewOption(view.optionId, Param->BoolValue(view.optionId));

    Param->LoadRulers();
    if (!Param->BoolValue(OPT_RULE_LOAD_SAVED)) {
        Param->SetDouble(OPT_RULE_SCALE, 0.0, false);
        Param->SetText(OPT_RULE_UNIT, "", false);
        Param->SetDouble(OPT_RULE_VALUE_HORI, 0.0, false);
        Param->SetDouble(OPT_RULE_VALUE_VERT, 0.0, false);
        Param->SetText(OPT_RULE_UNIT_HORI, "", false);
        Param->SetText(OPT_RULE_UNIT_VERT, "", false);
    } else {
        ApplyRuler();
        RedrawImage();
    }
    int decimals = 0;
    Param->GetInt(OPT_DECIMAL_LENGTH, decimals);
    Tool->SetDecimals(decimals);
    int language = 0;
    Param->GetInt(OPT_LANGUAGE, language);
    SetLanguage(language, false);
    SettingsLoaded = true;
    return true;
}

void TFormMeasure::PlaceMainWindow()
{
    TPoint p;
    std::int32_t packed = 0;
    Param->GetLong(OPT_POS_MAIN, packed);
    if (packed != 0) {
        MTool::UnpackPoint(packed, p);
        // Far off the screen: back to the edge, so the window stays reachable.
        if (p.x > ScreenWidth || p.x < -50)
            p.x = 0;
        if (p.y > ScreenHeight || p.y < -50)
            p.y = 0;
        move(p.x, p.y);
    }
    const bool placeStored = packed != 0;
    Param->GetLong(OPT_SIZE_MAIN, packed);
    if (packed > 0) {
        MTool::UnpackPoint(packed, p);
        resize(p.x, p.y);
    }
    // On a first start the window manager would place the window where its
    // other windows leave room, which can put the bottom off the screen.
    if (!placeStored)
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect room = screen->availableGeometry();
            move(room.x() + std::max(0, (room.width() - width()) / 2),
                 room.y() + std::max(0, (room.height() - height()) / 2));
        }
}

void TFormMeasure::PlaceSizedWindow(QWidget* window, int optionId, int& firstStartTop)
{
    if (!window)
        return;
    std::int32_t packed = 0;
    Param->GetLong(optionId, packed);
    if (packed == 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect room = screen->availableGeometry();
        // A window that does not fit below the others is left to the window manager.
        if (firstStartTop + window->height() > room.y() + room.height())
            return;
        window->move(room.x() + room.width() - window->width() - kFrameAllowance, firstStartTop);
        firstStartTop += window->height() + kFrameAllowance;
        return;
    }
    TPoint p;
    MTool::UnpackPoint(packed, p);
    if (p.x < 0)
        p.x = 0;
    if (p.x > ScreenWidth)
        p.x = ScreenWidth - window->width();
    if (p.y < 0)
        p.y = 0;
    if (p.y > ScreenHeight)
        p.y = ScreenHeight - window->height();
    window->move(p.x, p.y);
}

void TFormMeasure::PlaceToolBars()
{
    // The bars keep the places they had on the old control bar: a floating
    // bar goes where it was; the docked ones line up in rows by their stored
    // top edge, left to right by their stored left edge. Bars without a
    // stored place follow in their designed order.
    struct Placed {
        QToolBar* bar;
        TPoint place;
        bool stored;
    };
    std::vector<std::pair<int, QToolBar*>> places = ToolBarPlaces();
    const std::array designed{ToolBarTool, ToolBarShape, ToolBarRelation, ToolBarEdit};
    const auto rank = [&](QToolBar* bar) { return std::find(designed.begin(), designed.end(), bar); };
    std::sort(places.begin(), places.end(),
              [&](const auto& a, const auto& b) { return rank(a.second) < rank(b.second); });
    std::vector<Placed> docked;
    for (const auto& [optionId, bar] : places) {
        std::int32_t packed = 0;
        Param->GetLong(optionId, packed);
        TPoint place;
        if (packed > 0)
            MTool::UnpackPoint(packed, place);
        if (packed > 0 && bar->isFloating())
            bar->move(place.x, place.y);
        else if (!bar->isFloating())
            docked.push_back({bar, place, packed > 0});
    }
    if (std::none_of(docked.begin(), docked.end(), [](const Placed& p) { return p.stored; }))
        return;
    std::stable_sort(docked.begin(), docked.end(), [](const Placed& a, const Placed& b) {
        if (a.stored != b.stored)
            return a.stored;
        return a.stored && std::pair(a.place.y, a.place.x) < std::pair(b.place.y, b.place.x);
    });
    for (const Placed& placed : docked) {
        removeToolBarBreak(placed.bar);
        removeToolBar(placed.bar);
    }
    for (std::size_t i = 0; i < docked.size(); ++i) {
        if (i > 0 && docked[i].stored && docked[i].place.y != docked[i - 1].place.y)
            addToolBarBreak(Qt::TopToolBarArea);
        addToolBar(Qt::TopToolBarArea, docked[i].bar);
    }
}

void TFormMeasure::SaveLayout()
{
    for (const ViewSwitch& view : ViewSwitches())
        if (!view.storedAtOnce)
            Param->SetBool(view.optionId, view.item->isChecked(), true);

    Param->SetLong(OPT_POS_MAIN, MTool::PackPoint({x(), y()}), true);
    Param->SetLong(OPT_SIZE_MAIN, MTool::PackPoint({width(), height()}), true);
    if (FormValue) {
        Param->SetLong(OPT_SIZE_VALUE, MTool::PackPoint({FormValue->width(), FormValue->height()}), true);
        Param->SetLong(OPT_POS_VALUE, MTool::PackPoint({FormValue->x(), FormValue->y()}), true);
    }
    if (FormDigit)
        Param->SetLong(OPT_POS_DIGIT, MTool::PackPoint({FormDigit->x(), FormDigit->y()}), true);
    if (FormZoom)
        Param->SetLong(OPT_POS_ZOOM, MTool::PackPoint({FormZoom->x(), FormZoom->y()}), true);
    if (FormRuleHoriVert)
        Param->SetLong(OPT_POS_RULE_HORI_VERT, MTool::PackPoint({FormRuleHoriVert->x(), FormRuleHoriVert->y()}), true);
    // A hidden bar keeps the place stored before.
    for (const auto& [optionId, bar] : ToolBarPlaces())
        if (bar->isVisible())
            Param->SetLong(optionId, MTool::PackPoint({bar->x(), bar->y()}), true);
}

void TFormMeasure::ApplyMarkFont()
{
    TFont font;
    if (Param->BoolValue(OPT_MARK_FONT)) {
        font = ImagePaint->Canvas()->Font;
        Param->GetText(OPT_MARK_FONT_NAME, font.Name);
        int charset = 0;
        Param->GetInt(OPT_MARK_FONT_CHARSET, charset);
        font.Charset = charset & 0xFF;
        int height = 0;
        Param->GetInt(OPT_MARK_FONT_HEIGHT, height);
        font.SetHeight(height);
        int size = 0;
        Param->GetInt(OPT_MARK_FONT_SIZE, size);
        font.Size = size;
    }
    ImagePaint->Canvas()->Font = font;
    BufferBitmap->Canvas()->Font = font;
}

// ---- Commands ----

void TFormMeasure::MenuArrowClick()
{
    SelectToolMode(MODE_SELECT);
}

void TFormMeasure::MenuPointClick()
{
    ChooseShapeTool(MenuPoint);
}

void TFormMeasure::MenuLineClick()
{
    ChooseShapeTool(MenuLine);
}

void TFormMeasure::MenuRectClick()
{
    ChooseShapeTool(MenuRect);
}

void TFormMeasure::MenuCircleClick()
{
    ChooseShapeTool(MenuCircle);
}

void TFormMeasure::MenuCircleTripleClick()
{
    ChooseShapeTool(MenuCircleTriple);
}

void TFormMeasure::MenuEllipseClick()
{
    ChooseShapeTool(MenuEllipse);
}

void TFormMeasure::MenuArcClick()
{
    ChooseShapeTool(MenuArc);
}

void TFormMeasure::MenuMarkClick()
{
    ChooseShapeTool(MenuMark);
}

void TFormMeasure::MenuLineAngleClick()
{
    SetToolButtons(MenuLineAngle);
    SetAngleStep(1);
    ArmShapeTool();
}

void TFormMeasure::MenuPolygonClick()
{
    ChooseShapeTool(MenuPolygon);
}

void TFormMeasure::MenuAboutClick()
{
    if (AboutBox)
        AboutBox->exec();
}

void TFormMeasure::MenuExitClick()
{
    close();
}

void TFormMeasure::MenuGrabClick()
{
    if (FormGrab && FormGrab->exec() == mrOk)
        LoadImageFile(GrabbedImageFile);
}

void TFormMeasure::MenuSplitClick()
{
    if (FormSplit)
        FormSplit->exec();
}

void TFormMeasure::MenuSplitLiveClick()
{
    if (FormSplitLive)
        FormSplitLive->exec();
}

void TFormMeasure::MenuLanEnglishClick()
{
    SetLanguage(LAN_ENGLISH, true);
}

void TFormMeasure::MenuLanChineseSimplifiedClick()
{
    SetLanguage(LAN_CHINESE_SIMPLIFIED, true);
}

void TFormMeasure::MenuLanChineseTraditionalClick()
{
    SetLanguage(LAN_CHINESE_TRADITIONAL, true);
}

// ---- Window events ----

void TFormMeasure::FormShow()
{
    LoadSettings();
    ApplyMarkFont();
    ShowPending = true;
}

void TFormMeasure::FormActivate()
{
    if (!ShowPending)
        return;
    ShowPending = false;
    if (!SettingsLoaded && !LoadSettings())
        return;
    PlaceMainWindow();
}

bool TFormMeasure::FormCloseQuery()
{
    if (!Param->BoolValue(OPT_EXIT_CONFIRM))
        return true;
    return AskConfirmation(Slot(72));
}

void TFormMeasure::FormClose()
{
    SaveLayout();
    Param->Close();
}

void TFormMeasure::setVisible(bool visible)
{
    // The window is placed by its frame only while it has no native window
    // yet: Qt then asks the window manager to put the frame where told. A
    // window moved between its creation and its frame's arrival is placed by
    // its client area, which on X11 leaves the title bar above the stored
    // place (above the screen at the top); moves after that follow the frame.
    if (visible && !isVisible())
        FormShow();
    QMainWindow::setVisible(visible);
}

void TFormMeasure::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

bool TFormMeasure::eventFilter(QObject* watched, QEvent* event)
{
    // Every key event of this window reaches its window handle once, first.
    if (windowHandle() && watched == static_cast<QObject*>(windowHandle())) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            FormKeyDown(key->key(), key->modifiers());
        } else if (event->type() == QEvent::KeyRelease) {
            // A held key is released once, however often it repeats.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat())
                FormKeyUp(key->key(), key->modifiers());
        }
    }
    if (watched == EditMark && event->type() == QEvent::KeyRelease)
        EditMarkKeyUp(static_cast<QKeyEvent*>(event)->key());
    return QMainWindow::eventFilter(watched, event);
}

void TFormMeasure::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    Q_EMIT Closed();
}
