#pragma once

// Small element classes for the element, scheme and file-format tests, built on the real machinery:
// a container root with parts and text content, a field part (own node or inline attribute), a
// tracked required field, and a few inserted element classes.

#include "elements/drop_down_list.h"
#include "elements/element_sheet.h"
#include "elements/visual_element.h"
#include "textor/sheet_canvas.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <variant>

namespace qv::test {

// A text value part. As its own node it stores "Value"; as an inline part, the attribute its owner
// names.
class TTestField : public TVisualElement
{
    QV_CLASS(TTestField, TVisualElement)

    explicit TTestField(TScheme* scheme);

    const QString& Text() const { return FText; }
    void SetText(const QString& text);
    // The value a new field has; a field holding it is default.
    void SetDefaultText(const QString& text);
    int CheckCount() const { return FCheckCount; }

    bool IsFilled() const override { return !FText.isEmpty(); }
    bool IsDefault() const override { return FText == FDefaultText; }
    void CheckContent() override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void AppendText(QString& builder) override { builder += FText; }

    // Counts checks, including those that find nothing to say.
    void DeferredCheck() override;

private:
    QString FText;
    QString FDefaultText;
    int FCheckCount = 0;
};

// Content of a text-holding test container: runs of text with their "Data", paragraph breaks and
// inserted elements, in text order.
struct TTestRun
{
    QString Text;
    QString Data;
};
struct TTestBreak
{
};
using TTestContentItem = std::variant<TTestRun, TTestBreak, TElement*>;

// A container that stores content like a text field: "Chars", "Br" and element nodes, in an indexed
// knot, after its own parts. Content loading skips child knots that parts already read.
class TTestContainer : public TVisualElement
{
    QV_CLASS(TTestContainer, TVisualElement)

    explicit TTestContainer(TScheme* scheme);

    QList<TTestContentItem>& Content() { return FContent; }
    void AppendElement(TElement* element);
    QString ContentText() const;

    bool IsFilled() const override { return !FContent.isEmpty(); }
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;

protected:
    void ChildrenChanged() override;

private:
    QList<TTestContentItem> FContent;
};

// A document root: parts "Title" (own node) and "Caption" (inline attribute), then content.
// Accepts Star, Rockfall and Note.
class TTestRoot : public TTestContainer
{
    QV_CLASS(TTestRoot, TTestContainer)

    explicit TTestRoot(TScheme* scheme);

    TTestField* Title() const { return FTitle; }
    TTestField* Caption() const { return FCaption; }

    void GetAcceptedClasses(TElementClassList& list) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;

private:
    TTestField* FTitle;
    TTestField* FCaption;
};

// A sign: no attributes, cannot be disabled.
class TElement_Star : public TVisualElement
{
    QV_CLASS(TElement_Star, TVisualElement)

    explicit TElement_Star(TScheme* scheme);

    void Paint(TCanvas*) override { ++Paints; }
    int Paints = 0;
};

// An element that can be disabled, with a tracked required part "Condition" whose default is "true"
// (an emptied condition is kept in files as an empty node).
class TElement_Rockfall : public TVisualElement
{
    QV_CLASS(TElement_Rockfall, TVisualElement)

    explicit TElement_Rockfall(TScheme* scheme);

    TTestField* Condition() const { return FCondition; }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;

private:
    TTestField* FCondition;
};

// An optional container of stars that can be disabled; refuses to be inserted into another note.
class TElement_Note : public TTestContainer
{
    QV_CLASS(TElement_Note, TTestContainer)

    explicit TElement_Note(TScheme* scheme);

    void GetAcceptedClasses(TElementClassList& list) override;
    static bool CanInsertInto(const TElementClass* cls, const TElement* parent);
};

// A class whose node name differs from its class name.
class TElement_TestImage : public TVisualElement
{
    QV_CLASS(TElement_TestImage, TVisualElement)

    using TVisualElement::TVisualElement;
    static QString XmlName(const TElementClass*) { return QStringLiteral("Data"); }
};

// A focusable element of fixed bounds for the interaction tests: takes the focus on clicks, reports a
// caret (kind and rectangle set by the test), a cursor number and a focus overlay colour, counts its
// layouts and appends what the sheet asks of it to a shared log ("name:Hook").
class TTestTarget : public TVisualElement
{
    QV_CLASS(TTestTarget, TVisualElement)

    explicit TTestTarget(TScheme* scheme);

    QString Name;
    QStringList* Log = nullptr;
    int CaretKind = 1;
    QRect CaretRect{0, 0, 10, 10};
    int Cursor = 0;
    QRgb OverlayColour = 0; // 0: no overlay
    bool ConsumeKeys = false;
    int Layouts = 0;
    // Each layout covers or uncovers the element, as a selection does, so that its parent is asked
    // for a layout while it lays out.
    bool ToggleCoveredOnLayout = false;
    int Clicks = 0;
    int LastPaintFlags = -1;
    QPoint LastMousePoint;

    void GetCaret(int& kind, QRect& rect) override;
    int GetCursor(const QPoint& point) override;
    void FocusChanging() override;
    void FocusChanged() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void CaptureChanged() override;
    void CaptureCancelled() override;
    void MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick) override;
    void MouseMove(const QPoint& point, Qt::KeyboardModifiers shift) override;
    void MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift) override;
    void Click() override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    void FocusLost() override;
    void Activate() override;
    void Relayout(bool all, bool force) override;
    void PaintChildren(TCanvas* canvas, int flags) override;
    void PaintFocusOverlay(TCanvas* canvas) override;
    void GetText(QString& text) override { text = Name; }

private:
    void Record(const char* hook);
};

// A container that never shows its visual children and cannot be made to.
class TTestHidingPanel : public TVisualElement
{
    QV_CLASS(TTestHidingPanel, TVisualElement)

    using TVisualElement::TVisualElement;
    bool IsChildVisible(TVisualElement*) override { return false; }
};

// An element that can be disabled and offers the command items a test registers in Commands (shared
// by every lamp) after its default items. It handles them by logging "<letters>=<0|1>", logs
// "FocusLost", and leaves them enabled while CommandsEnabled is set.
class TElement_Lamp : public TVisualElement
{
    QV_CLASS(TElement_Lamp, TVisualElement)

    explicit TElement_Lamp(TScheme* scheme);

    static QList<TPaletteItem*>& Commands();

    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    void FocusLost() override { Log.append(QStringLiteral("FocusLost")); }

    QStringList Log;
    bool CommandsEnabled = true;
    // The sheet's open update brackets when the last command ran (-1: none ran).
    int SheetUpdatesSeen = -1;
};

// A sheet for tests: keeps the interaction state and records repaints.
class TFakeSheet : public IElementSheet
{
public:
    TFakeSheet();
    ~TFakeSheet() override;

    TSheetElement* TopElement() const override { return FTop.get(); }
    bool IsReadOnly() const override { return FReadOnly; }
    TVisualElement* FocusedElement() const override { return FFocused; }
    TVisualElement* HotElement() const override { return FHot; }
    TVisualElement* CaptureElement() const override { return FCapture; }
    void SetFocusedElement(TVisualElement* element) override;
    void SetHotElement(TVisualElement* element) override { FHot = element; }
    void SetCaptureElement(TVisualElement* element) override { FCapture = element; }
    void UpdateCaret() override { ++CaretUpdates; }
    void BeginUpdate() override { ++UpdateCount; }
    void EndUpdate() override { --UpdateCount; }
    void InvalidateRect(const QRect& sheetRect) override { Invalidated.append(sheetRect); }
    void TopElementBoundsChanged() override { ++ContentSizeChanges; }
    void ElementLeaving(TVisualElement* element) override;
    QSize PageSize() const override { return Page; }
    QMargins ElementMargins() const override { return QMargins(1, 1, 1, 1); }
    QSize MessagesSignSize() const override { return QSize(12, 12); }
    QMargins SheetPadding() const override { return QMargins(8, 8, 8, 8); }
    TCanvas* Canvas() override { return &SheetCanvas; }
    void RequestCaretVisible(bool withMargin = false) override { CaretVisibleRequests.append(withMargin); }
    void RequestFocusedStateChanged() override { ++FocusedStateChanges; }
    void RequestPaletteItemsChanged() override { ++PaletteItemsRequests; }
    TDropDownList* DropDown() const override { return FDropDown.get(); }
    void OpenDropDown(std::unique_ptr<TDropDownList>&& list) override;
    void CloseDropDown(bool commit) override;
    bool DropDownOnFocusNew() const override { return FDropDownOnFocusNew; }

    // Draws with the built-in theme unless a test gives it another.
    TSheetCanvas SheetCanvas;
    bool FReadOnly = false;
    int UpdateCount = 0;
    QSize Page{800, 600}; // the page size the sheet offers its top element
    int CaretUpdates = 0;
    int ContentSizeChanges = 0;
    QList<QRect> Invalidated;
    QList<bool> CaretVisibleRequests; // withMargin of each request
    int FocusedStateChanges = 0;
    int PaletteItemsRequests = 0;
    bool FDropDownOnFocusNew = false;
    QList<bool> DropDownsClosed; // commit of each list closed

private:
    TNodePtr<TSheetElement> FTop;
    std::unique_ptr<TDropDownList> FDropDown;
    TVisualElement* FFocused = nullptr;
    TVisualElement* FHot = nullptr;
    TVisualElement* FCapture = nullptr;
};

// The root names of the test document types, by file extension.
QString TestRootName(const QString& extension);

} // namespace qv::test
