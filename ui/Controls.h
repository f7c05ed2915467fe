#pragma once
// The standard controls and non-visual components of the framework.
//
// Windowed (own HWND):
//   Panel        framework window; Color (default: the parent's), BevelOuter
//                (default bvNone), optional
//                background Picture drawn at (0, 0) and TILED over the panel;
//                native children over it (check boxes, radio buttons, push
//                buttons) get a pattern brush of that background, aligned to
//                them, so they show no grey box. Caption centred when set.
//   GroupBox     framework window: an etched frame with the caption set into
//                its top edge; takes the parent's colour.
//   Edit         EDIT: Text, ReadOnly, MaxLength, SelectAll, OnChange (the text
//                really changed, by the user or by code), OnClick (mouse click in it).
//   Memo         multi-line EDIT: Lines as one text with CRLF, WordWrap, ScrollBars.
//   Button       push button: Default (Enter), Cancel (Esc), ModalResult
//                (sets the form's ModalResult when clicked), OnClick; Click()
//                clicks it from code.
//   BitBtn       owner-drawn push button with a Glyph (transparent colour = its
//                bottom-left pixel) left of (or above) the caption.
//   CheckBox     Checked, OnClick (user clicks and Click(); setting Checked
//                from code does not fire it).
//   RadioButton  Checked, OnClick; checking one (by user or code) unchecks the
//                other radio buttons of the same parent.
//   ComboBox     drop-down list (csDropDownList, the default) or drop-down
//                (csDropDown): Items, ItemIndex, Text (selected item's text),
//                Add, Clear, OnChange (user selection only).
//   ProgressBar  Min, Max, Position (0..100 at start).
//   TrackBar     msctls_trackbar32: Min, Max, Position, SelStart, SelEnd
//                (selection shown), Frequency, ThumbLength, Orientation,
//                TickMarks, PageSize, LineSize, OnChange (position moved by the
//                user; setting Position from code does not fire it);
//                ChannelRect/ThumbRect for painters. Derived
//                seek bars override MouseDown/MouseUp or sit in WindowProc.
//
// Graphic (no HWND, painted by the parent):
//   Label        AutoSize (default true), Alignment, Layout, Transparent
//                (default false: fills with its colour, clDefault = parent's),
//                WordWrap, ShowAccelChar (default false: "&" is shown as is).
//   SpeedButton  Flat, Glyph (transparent colour = bottom-left pixel),
//                NumGlyphs, Caption, Layout (glyph left/right/top/bottom),
//                Spacing, Margin; flat: no frame until hovered (raised), pressed
//                sunken; disabled: embossed glyph and grey text. Down /
//                GroupIndex / AllowAllUp for sticky buttons. OnClick.
//   Image        Picture, Transparent, Center, Stretch, AutoSize, mouse events.
//
// Components:
//   ImageList    Width/Height; Add cuts a bitmap strip into images of that
//                size; Count, Draw(Canvas&, x, y, index), GetBitmap(index, Bitmap&).
//   Timer        Interval (ms, default 1000), Enabled (default true), OnTimer;
//                Fire() runs OnTimer now (tests).
//   PopupMenu    a context menu: Add items (caption, OnClick; "-" makes a
//                separator) with Enabled and Checked; AutoPopup (default
//                true) lets a control show it on a right click; Popup(x, y)
//                shows it at a screen point and waits for the choice, then
//                runs the chosen item's OnClick. OnPopup fires just before
//                the menu opens, with PopupComponent the control it is for.
//                With a MenuPainter that paints (a skin), its items are
//                owner-drawn: the painter measures and draws each one.
#include "ui/Control.h"
#include "ui/Form.h"

#include <memory>
#include <string>
#include <vector>

namespace ui {

enum Alignment { taLeftJustify, taRightJustify, taCenter };
enum TextLayout { tlTop, tlCenter, tlBottom };
enum ButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum Bevel { bvNone, bvLowered, bvRaised };
enum Orientation { trHorizontal, trVertical };
enum TickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TickStyle { tsNone, tsAuto, tsManual };
enum ComboStyle { csDropDown, csDropDownList };
enum ScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// --- Panel -------------------------------------------------------------------------

class Panel : public CustomControl {
public:
    explicit Panel(Component* owner);
    ~Panel() override;
    const char* ClassName() const override { return "TPanel"; }

    Bevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(Bevel bevel);
    // Drawn at (0, 0), tiled; changes repaint the panel and its children.
    Bitmap& Picture() { return picture_; }
    const Bitmap& Picture() const { return picture_; }

    HBRUSH ChildBackgroundBrush(HDC dc, Control& child) override;
    void PaintBackgroundFor(HDC dc, const Control& child) override;

protected:
    void PaintBackground(Canvas& canvas) override;
    void Paint(Canvas& canvas) override;
    void Resize() override;

private:
    void PictureChanged();
    HBRUSH PatternBrush();

    Bevel bevelOuter_ = bvNone;
    Bitmap picture_;
    Bitmap tiled_;            // the panel-sized background, for child brushes
    GdiBrush patternBrush_;
};

// --- GroupBox ----------------------------------------------------------------------

class GroupBox : public CustomControl {
public:
    explicit GroupBox(Component* owner);
    const char* ClassName() const override { return "TGroupBox"; }

    // The frame's rectangle: below the middle of the caption's line.
    RECT FrameRect();
    // Where the caption sits over the frame's top edge.
    RECT CaptionRect();

protected:
    void Paint(Canvas& canvas) override;
    void TextChanged() override;
};

// --- Label -------------------------------------------------------------------------

class Label : public GraphicControl {
public:
    explicit Label(Component* owner);
    const char* ClassName() const override { return "TLabel"; }

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    ui::Alignment GetAlignment() const { return alignment_; }
    void SetAlignment(ui::Alignment alignment);
    TextLayout Layout() const { return layout_; }
    void SetLayout(TextLayout layout);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);

    // Fits the size to the text now (also done on every change with AutoSize,
    // and once the form is loaded, whatever bounds were given before).
    void AdjustBounds();
    void Loaded() override;

protected:
    void Paint(Canvas& canvas) override;
    void TextChanged() override;
    void FontChanged() override;

private:
    UINT DrawFlags() const;

    bool autoSize_ = true;
    ui::Alignment alignment_ = taLeftJustify;
    TextLayout layout_ = tlTop;
    bool transparent_ = false;
    bool wordWrap_ = false;
    bool showAccelChar_ = false;
};

// --- Edit / Memo ------------------------------------------------------------------

class Edit : public WinControl {
public:
    explicit Edit(Component* owner);
    const char* ClassName() const override { return "TEdit"; }

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int maxLength);   // 0 = no limit
    bool BorderStyleSingle() const { return border_; }
    void SetBorderStyleSingle(bool single);
    void SelectAll();
    int SelStart() const;
    int SelLength() const;
    void SetSelection(int start, int length);

    NotifyEvent OnChange;

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;
    void WndProc(Message& message) override;
    virtual void Change();

private:
    bool readOnly_ = false;
    int maxLength_ = 0;
    bool border_ = true;
    std::string lastText_;   // the text OnChange last reported
};

class Memo : public Edit {
public:
    explicit Memo(Component* owner);
    const char* ClassName() const override { return "TMemo"; }

    // The lines, split at CRLF (or LF).
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& lines);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    ScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(ScrollStyle style);

protected:
    void CreateParams(ui::CreateParams& params) override;
    bool WantsKey(WORD key) override;

private:
    bool wordWrap_ = true;
    ScrollStyle scrollBars_ = ssNone;
};

// --- buttons ------------------------------------------------------------------------

class Button : public WinControl {
public:
    explicit Button(Component* owner);
    ~Button() override;
    const char* ClassName() const override { return "TButton"; }

    bool Default() const { return default_; }
    void SetDefault(bool isDefault);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool isCancel);
    int GetModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }

    // Fires OnClick, then sets the form's ModalResult when ModalResult is set.
    void Click() override;

protected:
    void CreateParams(ui::CreateParams& params) override;
    void WndProc(Message& message) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = mrNone;
};

class BitBtn : public Button {
public:
    explicit BitBtn(Component* owner);
    const char* ClassName() const override { return "TBitBtn"; }

    Bitmap& Glyph() { return glyph_; }
    const Bitmap& Glyph() const { return glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    ButtonLayout Layout() const { return layout_; }
    void SetLayout(ButtonLayout layout);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    int Margin() const { return margin_; }
    void SetMargin(int margin);   // -1: glyph and caption centred together

protected:
    void CreateParams(ui::CreateParams& params) override;
    void WndProc(Message& message) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

private:
    Bitmap glyph_;
    int numGlyphs_ = 1;
    ButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
    int margin_ = -1;
};

// Lays out glyph and caption inside a client rectangle the way buttons draw
// them; also used by skin painters.
struct GlyphLayout {
    RECT GlyphRect{};
    RECT TextRect{};
};
GlyphLayout LayoutGlyphAndText(const RECT& client, SIZE glyph, SIZE text, ButtonLayout layout,
                               int margin, int spacing);

class SpeedButton : public GraphicControl {
public:
    explicit SpeedButton(Component* owner);
    const char* ClassName() const override { return "TSpeedButton"; }

    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    Bitmap& Glyph() { return glyph_; }
    const Bitmap& Glyph() const { return glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int n);
    ButtonLayout Layout() const { return layout_; }
    void SetLayout(ButtonLayout layout);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    // Sticky buttons: with a GroupIndex > 0, a click keeps the button down
    // and releases the others of the same group and parent.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    bool Down() const { return down_; }
    void SetDown(bool down);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool allow) { allowAllUp_ = allow; }

    // The look in use: 0 up, 1 hovered (flat), 2 pressed, 3 disabled.
    int State() const;
    void Click() override;

protected:
    void Paint(Canvas& canvas) override;
    void WndProc(Message& message) override;
    void MouseDown(MouseButton button, ShiftState shift, int x, int y) override;
    void MouseMove(ShiftState shift, int x, int y) override;
    void MouseUp(MouseButton button, ShiftState shift, int x, int y) override;

private:
    bool flat_ = false;
    Bitmap glyph_;
    int numGlyphs_ = 1;
    ButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
    int margin_ = -1;
    bool transparent_ = true;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool pressed_ = false;      // left button held and the mouse over it
    bool tracking_ = false;     // left button went down on it
};

// --- check box / radio button ---------------------------------------------------

class CheckBox : public WinControl {
public:
    explicit CheckBox(Component* owner);
    const char* ClassName() const override { return "TCheckBox"; }

    bool Checked() const { return checked_; }
    virtual void SetChecked(bool checked);
    // taRightJustify (default): box on the left, text on the right.
    ui::Alignment GetAlignment() const { return alignment_; }
    void SetAlignment(ui::Alignment alignment);

    // Toggles (check box) or checks (radio button), then fires OnClick.
    void Click() override;

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;
    void WndProc(Message& message) override;

    bool checked_ = false;
    ui::Alignment alignment_ = taRightJustify;
};

class RadioButton : public CheckBox {
public:
    explicit RadioButton(Component* owner);
    const char* ClassName() const override { return "TRadioButton"; }
    void SetChecked(bool checked) override;
    void Click() override;

protected:
    void CreateParams(ui::CreateParams& params) override;
};

// --- combo box ---------------------------------------------------------------------

class ComboBox : public WinControl {
public:
    explicit ComboBox(Component* owner);
    const char* ClassName() const override { return "TComboBox"; }

    ComboStyle Style() const { return style_; }
    void SetStyle(ComboStyle style);
    const std::vector<std::string>& Items() const { return items_; }
    void SetItems(std::vector<std::string> items);
    void Add(std::string item);
    void Clear();
    int ItemIndex() const;
    void SetItemIndex(int index);   // -1: none; does not fire OnChange
    // The selected item's text ("" with none); csDropDown: the edit text.
    std::string Text() const override;
    void SetText(std::string text) override;
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count);
    bool DroppedDown() const;

    NotifyEvent OnChange;

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;
    void WndProc(Message& message) override;
    void SetBounds(int left, int top, int width, int height) override;
    bool WantsKey(WORD key) override;

private:
    ComboStyle style_ = csDropDownList;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    int dropDownCount_ = 8;
};

// --- progress bar / track bar --------------------------------------------------

class ProgressBar : public WinControl {
public:
    explicit ProgressBar(Component* owner);
    const char* ClassName() const override { return "TProgressBar"; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    void SetMin(int v);
    void SetMax(int v);
    void SetRange(int min, int max);
    void SetPosition(int v);   // clamped to Min..Max

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

class TrackBar : public WinControl {
public:
    explicit TrackBar(Component* owner);
    const char* ClassName() const override { return "TTrackBar"; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const;
    void SetMin(int v);
    void SetMax(int v);
    void SetRange(int min, int max);
    void SetPosition(int v);   // clamped to Min..Max
    int SelStart() const { return selStart_; }
    int SelEnd() const { return selEnd_; }
    void SetSelStart(int v);
    void SetSelEnd(int v);
    int Frequency() const { return frequency_; }
    void SetFrequency(int v);
    int ThumbLength() const { return thumbLength_; }
    void SetThumbLength(int v);
    ui::Orientation GetOrientation() const { return orientation_; }
    void SetOrientation(ui::Orientation o);
    TickMark TickMarks() const { return tickMarks_; }
    void SetTickMarks(TickMark marks);
    ui::TickStyle GetTickStyle() const { return tickStyle_; }
    void SetTickStyle(ui::TickStyle style);
    int PageSize() const { return pageSize_; }
    void SetPageSize(int v);
    int LineSize() const { return lineSize_; }
    void SetLineSize(int v);
    bool ShowSelRange() const { return showSelRange_; }
    void SetShowSelRange(bool show);
    bool SliderVisible() const { return sliderVisible_; }
    void SetSliderVisible(bool visible);

    RECT ChannelRect();
    RECT ThumbRect();

    NotifyEvent OnChange;

protected:
    void CreateParams(ui::CreateParams& params) override;
    void CreateWindowHandleDone() override;
    void WndProc(Message& message) override;
    virtual void Changed();

private:
    void ApplyAll();

    int min_ = 0, max_ = 10, position_ = 0;
    int selStart_ = 0, selEnd_ = 0;
    int frequency_ = 1;
    int thumbLength_ = 20;
    ui::Orientation orientation_ = trHorizontal;
    TickMark tickMarks_ = tmBottomRight;
    ui::TickStyle tickStyle_ = tsAuto;
    int pageSize_ = 2;
    int lineSize_ = 1;
    bool showSelRange_ = true;
    bool sliderVisible_ = true;
};

// --- image -------------------------------------------------------------------------

class Image : public GraphicControl {
public:
    explicit Image(Component* owner);
    const char* ClassName() const override { return "TImage"; }

    // Changes (load, assign, drawing through a BitmapCanvas) repaint the image.
    Bitmap& Picture() { return picture_; }
    const Bitmap& Picture() const { return picture_; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool Center() const { return center_; }
    void SetCenter(bool center);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);

protected:
    void Paint(Canvas& canvas) override;

private:
    void PictureChanged();

    Bitmap picture_;
    bool transparent_ = false;
    bool center_ = false;
    bool stretch_ = false;
    bool autoSize_ = false;
};

// --- image list ----------------------------------------------------------------------

class ImageList : public Component {
public:
    explicit ImageList(Component* owner);
    const char* ClassName() const override { return "TImageList"; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changing the size clears the list.
    void SetSize(int width, int height);
    // Cuts the strip into images of Width x Height (left to right, then top
    // to bottom); transparent colour clDefault = the strip's bottom-left
    // pixel, clNone = opaque. Returns the index of the first image added.
    int Add(const Bitmap& strip, COLORREF transparentColor = clDefault);
    int Count() const { return static_cast<int>(images_.size()); }
    void Clear();
    // Draws image `index` at (x, y), leaving out its transparent colour.
    void Draw(Canvas& canvas, int x, int y, int index, bool enabled = true) const;
    // Copies image `index` into `bitmap` (resized to Width x Height; the
    // transparent parts keep the transparent colour, which becomes the
    // bitmap's transparent colour).
    void GetBitmap(int index, Bitmap& bitmap) const;

private:
    struct Entry {
        std::unique_ptr<Bitmap> Picture;
        COLORREF Transparent = clNone;
    };
    int width_ = 16, height_ = 16;
    std::vector<Entry> images_;
};

// --- timer -----------------------------------------------------------------------------

class Timer : public Component {
public:
    explicit Timer(Component* owner);
    ~Timer() override;
    const char* ClassName() const override { return "TTimer"; }

    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    NotifyEvent OnTimer;
    // Runs OnTimer now (what a tick does), so tests need not wait.
    void Fire();

private:
    void Update();
    unsigned interval_ = 1000;
    bool enabled_ = true;
    bool running_ = false;
};

// --- PopupMenu ---------------------------------------------------------------------------

class MenuItem {
public:
    explicit MenuItem(std::string caption) : caption_(std::move(caption)) {}

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked) { checked_ = checked; }
    bool IsSeparator() const { return caption_ == "-"; }

    // Sender: the menu.
    NotifyEvent OnClick;

private:
    std::string caption_;
    bool enabled_ = true;
    bool checked_ = false;
};

// Measures and draws the items of menus it is given (the skin engine).
class MenuPainter {
public:
    virtual ~MenuPainter() = default;
    // False: the menu shows the system's look this time.
    virtual bool Paints() const = 0;
    virtual void MeasureItem(const MenuItem& item, MEASUREITEMSTRUCT& measure) = 0;
    virtual void DrawItem(const MenuItem& item, const DRAWITEMSTRUCT& draw) = 0;
};

class PopupMenu : public Component {
public:
    explicit PopupMenu(Component* owner);
    const char* ClassName() const override { return "TPopupMenu"; }

    MenuItem& Add(std::string caption, NotifyEvent onClick = {});
    int Count() const { return static_cast<int>(items_.size()); }
    MenuItem& Items(int index) { return *items_.at(static_cast<size_t>(index)); }

    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }

    // Shows the menu with its top-left corner at a screen point and returns
    // when it is closed, after the chosen item's OnClick.
    void Popup(int x, int y);
    // The screen point of the last Popup.
    POINT PopupPoint() const { return popupPoint_; }
    // The control the menu was last shown for, or null.
    Control* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(Control* control);

    NotifyEvent OnPopup;

    // The painter of its items, or null for the system's look; the caller
    // keeps it alive while it is set.
    MenuPainter* Painter() const { return painter_; }
    void SetPainter(MenuPainter* painter) { painter_ = painter; }

    void Notification(Component* component, Operation operation) override;

private:
    std::vector<std::unique_ptr<MenuItem>> items_;
    MenuPainter* painter_ = nullptr;
    bool autoPopup_ = true;
    POINT popupPoint_{0, 0};
    Control* popupComponent_ = nullptr;
};

} // namespace ui
