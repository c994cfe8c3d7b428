#pragma once

#include "library/custom_described_element.h"
#include "textor/sheet_theme.h"

#include <QList>
#include <QMargins>
#include <QString>

namespace qv {

class TCustomTitledElement;
class TExpandButton;
class TTitledElement;

// Kinds of title items; the numbers are the family's own.
enum TTitleItemKind : uint8_t
{
    tikText = 0,
    tikExpandButton = 1,
    tikContent = 2,
    tikElement = 3,
    tikGap = 4,
    tikCharImage = 5,
    tikSmallImage = 6,
    tikLargeImage = 7,
    tikLine = 8,
};

// Vertical alignment of element items in their row.
enum TTitleItemAlign : uint8_t
{
    tiaTop = 0,
    tiaCentre = 1,
    tiaBottom = 2,
};

// TitleFlags of titled elements.
enum TTitleFlag : uint8_t
{
    tfCommandFrame = 0x01,
    tfTechnicalFrame = 0x02,
    tfExpressionFrame = 0x04,
    tfPageSizeLayout = 0x08, // a title field follows the offered width
};

// One piece of a title. The measured size and margins are pixels; Ascent is the distance from the
// item's top to the baseline its row aligns on. Margins may be negative: the item then reaches into
// the gap on that side.
struct TTitleItem
{
    uint8_t Kind = tikText;
    bool EndsRow = false;
    QString Text;
    TVisualElement* Element = nullptr; // a visual child of the titled element (not owned)
    int32_t Value = 0;                 // gap width or icon index
    uint8_t Align = tiaTop;
    int Width = 0;
    int Height = 0;
    int Ascent = 0;
    QMargins Margins;
    bool Measured = false;
};

// What a titled element asks of its content container.
class ITitledElementContainer
{
public:
    virtual ~ITitledElementContainer() = default;
    // The size the content wants (pixels), cached by the container.
    virtual void GetNaturalSize(int& width, int& height) = 0;
    virtual int GetDescent() = 0;
};

// The title of a titled element as BuildTitle writes it: rows of items, each row ending at an item
// with EndsRow (or at the last item). Built anew for every layout and every paint; items are
// measured on first use.
class TTitleWriter
{
public:
    // `painting`: content items are measured by their present size instead of their natural size.
    explicit TTitleWriter(TCustomTitledElement* owner, bool painting = false);

    TCustomTitledElement* Owner() const { return FOwner; }
    bool Painting() const { return FPainting; }
    int Count() const { return int(FItems.size()); }
    TTitleItem& Item(int index) { return FItems[index]; }
    // Measures the item when it has not been measured yet.
    TTitleItem& Measured(int index);
    bool Contains(const TVisualElement* element) const;

    void AddText(const QString& text);
    void AddExpandButton(TExpandButton* button);
    // Ends the row.
    void AddContent(TVisualElement* container);
    void AddElement(TVisualElement* element, uint8_t align = tiaTop);
    void AddGap(int width);
    void AddSmallImage(int index);
    void AddLargeImage(int index);
    // Ends the row.
    void AddLine();
    // Marks the last item added (if any) as ending its row.
    void EndRow();

private:
    TTitleItem& Append(uint8_t kind);
    void Measure(TTitleItem& item);

    TCustomTitledElement* FOwner;
    bool FPainting;
    QList<TTitleItem> FItems;
};

// An element laid out and painted from its title: BuildTitle writes the items, LayoutTitle places
// the child elements the title holds and sizes the element, Paint draws the texts, icons and lines.
// Children the title leaves out are hidden, so collapsing is building a shorter title.
class TCustomTitledElement : public TCustomDescribedElement
{
    QV_CLASS(TCustomTitledElement, TCustomDescribedElement)

    explicit TCustomTitledElement(TScheme* scheme);

    uint8_t LayoutLock() const { return FLayoutLock; }
    uint8_t TitleFlags() const { return FTitleFlags; }
    void SetTitleFlags(uint8_t value);

    virtual void BuildTitle(TTitleWriter& writer);
    virtual void ExpandChanged(TExpandButton* button);
    virtual TVisualElement* ContentContainer();
    virtual void GetMinSize(int& width, int& height);
    virtual void DrawFrame(TCanvas* canvas, int flags, const QRect& rect);

    // Lays the title out and sizes the element. Nothing without a sheet, while a layout runs,
    // while the element is being destroyed or hidden.
    void LayoutTitle();

    // A placed item of a title pass: position and size in the element's coordinates.
    struct TPlacedItem
    {
        int Index = 0;
        QRect Rect;
        int RowAscent = 0;
    };
    // The placement pass: the natural size of the title, and with `target` the positions of the
    // items (content items stretched to the target width, the content container `extra` taller).
    QSize PlaceTitle(TTitleWriter& writer, const QSize* target, int extra, QList<TPlacedItem>* placed);

    void Paint(TCanvas* canvas) override;
    void GetAvailableSize(TVisualElement* child, QSize& size) override;
    void ShowChild(TVisualElement* child) override;
    bool ChildVisualMessage(TVisualElement* child, int msg, void* param, void* data) override;
    bool HandleMessage(int msg, void* param, void* data) override;
    void ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent) override;
    void ChildShownChanged(TVisualElement* child) override;
    void ShownChanged() override;
    void FocusChanged() override;
    void GetCaret(int& kind, QRect& rect) override;
    void Relayout(bool all, bool force) override;
    bool IsChildVisible(TVisualElement* child) override;
    void RemoveVisualChild(TVisualElement* child) override;
    void Activate() override;

protected:
    // Activates the first focus target inside the element that is not an expand button.
    void ActivateFirstField();

private:
    void UpdateExpandButtons(TElement* controlled);

    uint8_t FLayoutLock = 0;
    uint8_t FTitleFlags = 0;
    // The visual children the last title held.
    QList<TVisualElement*> FContained;
};

// A titled element with the theme frame and an optional expand button (a part stored inline as
// "Expanded"). It can be disabled.
class TTitledElement : public TCustomTitledElement
{
    QV_CLASS(TTitledElement, TCustomTitledElement)

    explicit TTitledElement(TScheme* scheme);

    TExpandButton* ExpandButton() const { return FExpandButton; }
    // Creates the expand button as the first part; it controls the content container when there
    // is one.
    void CreateExpandButton(bool defaultExpanded);
    bool IsExpanded() const;
    void SetExpandedUndoable(bool value);

    virtual TSheetThemeElement FrameElement();

    void BuildTitle(TTitleWriter& writer) override;
    void ExpandChanged(TExpandButton* button) override;
    void GetMinSize(int& width, int& height) override;
    QMargins GetPadding() override;
    void DrawFrame(TCanvas* canvas, int flags, const QRect& rect) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

private:
    TExpandButton* FExpandButton = nullptr; // a part
};

// A titled element with a content container (a part stored as "Content"), created by the class's
// ContentContainerClass (a text container by default).
class TTitledElementWithContent : public TTitledElement
{
    QV_CLASS(TTitledElementWithContent, TTitledElement)

    explicit TTitledElementWithContent(TScheme* scheme);

    TVisualElement* Container() const { return FContainer; }
    // The class of the container. A class that wants another one redefines it and passes it to
    // the protected constructor: the container is made while the element is constructed, when
    // only the constructor knows the class being built.
    static const TElementClass* ContentContainerClass();

    TVisualElement* ContentContainer() override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void Activate() override;

protected:
    // `containerClass`: a visual element class, made the container part.
    TTitledElementWithContent(TScheme* scheme, const TElementClass* containerClass);

private:
    TVisualElement* FContainer = nullptr; // a part
};

// A text field used as content container: it caches its natural size and descent and asks its
// titled parent to lay the title out again when the natural size changes; the parent sets its
// bounds.
class TTitledTextContainer : public TTextorElement, public ITitledElementContainer
{
    QV_CLASS(TTitledTextContainer, TTextorElement)

    explicit TTitledTextContainer(TScheme* scheme);

    void GetNaturalSize(int& width, int& height) override;
    int GetDescent() override;
    void UpdateSize() override;
    QMargins GetMargins() override;

private:
    int FNaturalWidth = 0;
    int FNaturalHeight = 0;
    int FDescent = 0;
};

// The "Collapsed" palette item: checked for collapsed elements.
class TCollapsedPaletteItem : public TSchemePaletteItem
{
    QV_CLASS(TCollapsedPaletteItem, TSchemePaletteItem)

    using TSchemePaletteItem::TSchemePaletteItem;

    void GetSound(bool value, QString& name) override;
};

// The one Collapsed item, created in the "State" group on first use.
TCollapsedPaletteItem* CollapsedPaletteItem();

} // namespace qv
