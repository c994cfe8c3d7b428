#pragma once

#include "elements/text_element.h"
#include "fields/custom_drop_down_element.h"
#include "textor/textor.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qv {

class TKnot;
class TPaletteItem;
class TRichTextAttributes;
class TSchemeLoader;
class TSchemeSaver;
class TSheetSettings;
class TSchemeTextorInteractive;
class TTextorEditOperation;
class TTextorElement;

// ContentOptions: what the content of a text field may hold and how its text is checked.
enum TTextorContentOption : uint32_t
{
    tcoLetters = 0x1,
    tcoDigits = 0x2,
    tcoUnderscore = 0x4,
    tcoSpaces = 0x8,
    tcoTabStops = 0x10,   // tabs are laid out as tab stops
    tcoParagraphs = 0x20, // CR and LF split paragraphs
    tcoSpecial = 0x40,    // every other character
    tcoBeginWithLetter = 0x80,
    tcoFileNameChars = 0x100,
    tcoPathChars = 0x200,
    tcoLatinOnly = 0x400,
    tcoInteger = 0x800,
    tcoFloat = 0x1000,
    tcoPercent = 0x2000, // one trailing "%" is not part of the numeric value
    tcoNoLeadingSpace = 0x4000,
    tcoNoTrailingSpace = 0x8000,
    tcoElementRequired = 0x10000,
    tcoSingleElement = 0x20000,
    tcoAnything = 127, // no check at all
    tcoTextMask = tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial,
};

// BehaviourOptions: font, frame, size and editing behaviour of a text field.
enum TTextorBehaviourOption : uint32_t
{
    tboElements = 0x1, // embedded elements; content stored as child nodes
    tboFormatItems = 0x2,
    tboLinks = 0x4,
    tboDeferredCommit = 0x8,
    tboNoNonPrinting = 0x10,
    tboIdentifierWords = 0x20,
    tboElementsOnOwnLine = 0x40,
    tboInPlace = 0x80, // belongs to the enclosing text field
    tboInheritOptions = 0x100,
    tboIndent = 0x200, // 42 more pixels of left padding
    tboEmptyWidth = 0x400,
    tboFieldFrame = 0x800,
    tboContainerFrame = 0x1000,
    tboFilledFrame = 0x2000,
    tboFixedFont = 0x4000,
    tboArtFont = 0x8000,
    tboCommentFont = 0x10000,
    tboWorkspaceHeight = 0x20000,
    tboWrap240 = 0x40000,
    tboWrap480 = 0x80000,
    tboWrap720 = 0x100000,
    tboWrap960 = 0x200000,
    tboNoWrap = 0x400000,
    tboMinWidth30 = 0x800000,
    tboMinWidth240 = 0x1000000,
    tboMinWidth480 = 0x2000000,
    tboMinWidthOffer = 0x4000000,
    tboMinHeight60 = 0x8000000,
    tboMinHeight120 = 0x10000000,
    tboMinHeight240 = 0x20000000,
    tboMinHeightOffer = 0x40000000,
    // Changing these re-lays out the text; changing only the frame bits repaints.
    tboRelayoutMask = 0x3BFDFE01,
    tboRepaintMask = 0x3800,
    // Bits taken from the enclosing field by an in-place field, or by one that inherits options.
    tboInPlaceInheritMask = 0x7DC067,
    tboInheritMask = 0x1C024,
};

// FieldState bits.
enum TTextorFieldState : uint8_t
{
    tfsNoChangeHandling = 0x1, // the content is being normalized
    tfsRestoringSelection = 0x2,
    tfsArranging = 0x4,
};

// Targets of Replace.
enum TTextorEditTarget : int
{
    tetSelection = 0, // the focused field's selection
    tetRange = 1,
    tetAll = 2,
    tetAppend = 3,
};

// Tree messages of text fields.
enum TTextorTreeMessage : int
{
    tmFirstLineHeightQuery = 10,   // data: int*, the first line height
    tmFirstLineHeightChanged = 11, // param: the text field whose first line height changed
    tmDataElementClass = 100,      // data: const TElementClass**, the class for clipboard data
    // param: the new data element; data: TElement**, the part of it that receives the data
    tmDataElementPart = 101,
    tmReferenceTargets = 200,
    tmFileFilters = 250,
};

// The name of content nodes of edits and the clipboard.
inline constexpr char16_t textorContentName[] = u"ZivorEredadContent";
// The clipboard format that carries content markup beside its text.
inline constexpr char16_t textorClipboardFormat[] = u"content";

// Puts copied content on the clipboard: `text`, what the user sees, for other programs, and the
// content knot (with its format version) under textorClipboardFormat for this one.
void CopyContentToClipboard(const TKnot& content, const QString& text);
// The content knot on the clipboard, without its format version and with its read marks cleared:
// from textorClipboardFormat, else from a text that holds content markup (as clipboards of earlier
// versions do). False when the clipboard holds no content.
bool ContentFromClipboard(TKnot& knot);

// The settings text fields read ("Sheet": theme, fonts, "CaretSize", "FocusNew",
// "NonPrintingCharacters", "IncreaseWorkspaceHeight", "FontSize"). Not owned; null (the default)
// means built-in defaults: no theme frames, the shared default font. User-interface thread only.
void SetTextorSheetSettings(TSheetSettings* settings);
TSheetSettings* TextorSheetSettings();

// The Textor of a text field: its hooks ask the owning element.
class TSchemeTextor : public TTextor
{
public:
    explicit TSchemeTextor(TTextorElement* element);

    TTextorElement* Element() const { return FElement; }
    // The element lets go of its Textor before it is destroyed.
    void DetachElement() { FElement = nullptr; }

    void Changed() override;
    void Arrange(bool notify) override;
    TParagraphAttributes* DefaultParagraphAttributes() const override;
    TTextAttributes* DefaultTextAttributes() const override;
    void GetElementMargins(QMargins& margins) const override;
    void GetPadding(QMargins& padding) const override;
    int GetWidth() const override;
    const TAttributesMeta* ParagraphAttributesClass() const override;
    bool AllowParagraphs() const override;
    bool AllowTabStops() const override;
    const TAttributesMeta* TextAttributesClass() const override;
    bool SameWord(int a, int b) const override;
    void ArrangeParagraph(TParagraph& paragraph, int width, const QMargins& margins,
                          const QMargins& padding) override;

private:
    TTextorElement* FElement;
};

// The text field: a visual element that owns one Textor and shows it as editable text with embedded
// elements. Every edit goes through Replace, which posts one undoable TTextorEditOperation.
//
// Embedded elements are child elements of the field (after its parts) and, in the Textor, element
// portions that own them: deleting the portion frees the element.
// What a new data element offers the text field that pastes or drops data into it; the data element
// family implements it.
class IDataElementReceiver
{
public:
    virtual ~IDataElementReceiver() = default;

    // Takes the clipboard's data without an undo record; false when there is none it can take.
    virtual bool ReceiveClipboardData() = 0;
    // Whether a dropped file is of a type the element takes.
    virtual bool AcceptsFile(const QString& name) const = 0;
    // Fills the element from a file without an undo record; errors pass on.
    virtual void ReceiveFile(const QString& name) = 0;
};

class TTextorElement : public TCustomDropDownElement, public ITextElement
{
    QV_CLASS(TTextorElement, TCustomDropDownElement)

    explicit TTextorElement(TScheme* scheme);
    ~TTextorElement() override;

    TSchemeTextor* Textor() const { return FTextor.get(); }
    const QString& DefaultText() const { return FDefaultText; }
    uint32_t ContentOptions() const { return FContentOptions; }
    uint32_t BehaviourOptions() const { return FBehaviourOptions; }
    bool HasBehaviour(uint32_t bits) const { return (FBehaviourOptions & bits) != 0; }
    uint8_t FieldState() const { return FFieldState; }
    int FirstLineHeight() const { return FFirstLineHeight; }
    // Any of the text bits (letters, digits, "_", spaces, special characters).
    bool TextAllowed() const { return (FContentOptions & tcoTextMask) != 0; }
    // The settings the field follows: its sheet's, else the process-wide ones (TextorSheetSettings);
    // may be null.
    TSheetSettings* SheetSettings() const;

    void SetContentOptions(uint32_t value);
    void SetBehaviourOptions(uint32_t value);

    // The plain text: characters, tabs, CR LF between paragraphs; elements give nothing.
    QString GetText() override;
    // The text without one trailing "%" when tcoPercent is set.
    QString GetValueText();
    // Replaces the whole content when it holds elements or its text differs; not undoable.
    void SetText(const QString& text) override;
    void SetDefaultText(const QString& text);
    void ReplaceSelection(const QString& text) override;
    using TVisualElement::GetText;

    // `text` as the field takes it in (typing, pasting, loading): a character no document file can
    // hold (a control character other than tab, CR and LF, U+FFFE, U+FFFF, an unpaired surrogate)
    // becomes U+FFFD where special characters are allowed and is left out elsewhere.
    QString StorableText(const QString& text) const;
    // Parses a decimal number with "." as separator whatever the locale: an optional sign, digits
    // with at most one point, an optional exponent. Infinities, NaN and hexadecimal forms fail.
    static bool TryGetFloat(const QString& text, double& value);
    // A 32-bit decimal integer with an optional sign.
    static bool TryGetInteger(const QString& text, int32_t& value);
    double GetFloat();
    int32_t GetInteger();

    // The selection of the focused field (index form; Start is the anchor, End is the caret), kept
    // in step with the interactive; an edit's pending selection shows here at once. Only meaningful
    // while the field has the focus; edits place the caret through it.
    const TTextorIndexRange& Selection() const;
    // Selects through the interactive; while the Textor waits for a layout the selection is applied
    // after it.
    void SetSelection(const TTextorIndexRange& selection);

    // The caret and selection handler; exists only while the field has the focus.
    TSchemeTextorInteractive* Interactive() const { return FInteractive.get(); }
    // The InteractiveOptions the field gives its interactive.
    uint16_t InteractiveOptionsFromFieldOptions();
    // Sets the interactive's caret width (the sheet's "CaretSize") and options.
    virtual void ConfigureInteractive(uint16_t options);

    // Focus placement: the field takes the focus with the caret at its first or last position, at a
    // point (element coordinates), just before or after one of its embedded elements, or with the
    // selection of focus data. When the field already has the focus only the caret moves.
    void FocusAtFirst();
    void FocusAtLast();
    void FocusAtPoint(const QPoint& point);
    void FocusBeside(TVisualElement* embedded, bool after);
    void FocusWithData(const QString& focusData);
    // The selection as focus data: "start paragraph,start offset,end paragraph,end offset".
    QString FocusData() const;
    // Parses focus data (missing or invalid numbers count as 0); false when the text is no range.
    static bool ParseFocusData(const QString& text, TTextorIndexRange& range);
    // Moves the focus into the embedded element of `portion` (its first focus target from the side
    // entered); false when it has none.
    bool EnterEmbedded(TPortion* portion, bool atEnd);
    // Copies the selection and deletes it as one edit.
    void Cut();

    // The one entry point of all edits: builds a TTextorEditOperation and posts it. `range` is used
    // with tetRange; `content` (may be null: a pure deletion) is copied.
    void Replace(int target, const TTextorRange* range, bool keepSelection, uint8_t contentFlags,
                 uint8_t contentMode, const TKnot* content);
    // Replace with a content (may be null) that the edit takes over instead of copying: a large import.
    void ReplaceWithContent(int target, const TTextorRange* range, bool keepSelection, uint8_t contentFlags,
                            uint8_t contentMode, std::unique_ptr<TKnot> content);
    // Replace with one "Chars" node, or one "Br" node for a single CR; an empty text only deletes.
    void ReplaceWithText(int target, const TTextorRange* range, bool keepSelection, const QString& text);
    // Serializes the elements (snapshot mode; the elements are freed) and replaces the target with them.
    void ReplaceWithElements(int target, const TTextorRange* range, const QList<TElement*>& elements);
    // Creates an element of `cls` at `position` (the end when null) as one undoable edit; returns it.
    // With the sheet setting "FocusNew" the new element's first field that takes text gets the caret
    // (FocusFirstTextField).
    TElement* InsertNewElement(const TElementClass* cls, TPaletteItem* item, const TTextorPosition* position);
    // Selects the content of the first field inside `element` that takes typed text, the caret at its
    // end; an element without one is focused as a click would.
    static void FocusFirstTextField(TVisualElement* element);

    // Writes the content (or the range of it) as "Chars", "Br" and element nodes into `knot`.
    void SaveContent(TSchemeSaver* saver, TKnot* knot, const TTextorRange* range);
    // Reads "Chars", "Br" and element nodes of `knot` into the content at `position` (the end when
    // null); returns the inserted range.
    TTextorRange LoadContent(TSchemeLoader* loader, TKnot* knot, const TTextorPosition* position);
    // The text of a content node of "Chars" and "Br" nodes (CR LF per "Br"); false at any other node.
    static bool ContentAsText(TKnot* knot, QString& text);
    // A shared copy of the field's text attributes in link style, pointing at `target`.
    TAttributesRef<TTextAttributes> LinkAttributes(const QString& target);
    // True for the words that become links: 7 to 2057 characters, a scheme word ("http", "https",
    // "ftp", "file", "url", any case) followed by "://" or ":\\", at least 4 characters longer than
    // the scheme word.
    static bool IsLinkWord(QStringView word);
    // The URL a link word opens, or an empty text when the word does not make a safe URL.
    static QString LinkUrl(const QString& word);

    // The element an element portion of a text field holds, or null.
    static TVisualElement* EmbeddedElement(const TPortion* portion);
    // The number of embedded elements that are shown and checked, counting up to `limit`.
    int CountCheckedElements(int limit);

    // Virtual operations of text fields.
    virtual void ParagraphArranging(TParagraph& paragraph);
    // A new operation of the field's class, owned by the caller.
    virtual TNodePtr<TTextorEditOperation> CreateEditOperation(int target);
    // The character attributes of a loaded "Chars" node, from attributes of the node that the field
    // understands (the log's links); none by default.
    virtual TAttributesRef<TTextAttributes> LoadedTextAttributes(TKnot* knot);
    virtual void CheckText();
    virtual void UpdateSize();
    virtual TTextAttributes* DefaultTextAttributes();
    // The element that owns the field's owner element (see the class comment of EnclosingField).
    virtual TElement* EnclosingField();
    // The frame theme element (a TSheetThemeElement), or false for no frame.
    virtual bool GetFrameElement(int& element);
    virtual void GetSizeLimits(int& minimumWidth, int& wrapWidth, int& minimumHeight);
    // The size the content takes with the padding, at least the minimum of GetSizeLimits, and the
    // descent of its last row with the bottom padding: what a container that places this field itself
    // (a table, a titled element) sizes it to.
    QSize ContentExtent(int& descent);
    virtual void LinkClicked(TPortion* portion);
    // The query messages an in-place field leaves to its enclosing field: 100, 101, 200 and 250.
    virtual bool AnswersQuery(int msg);
    virtual void ContentChanged();
    virtual void ContentChangedHook();
    // The name of the attribute that holds the text of a field without embedded elements.
    virtual QString ValueAttributeName(TSchemeFiler* filer);

    // Drop-down list (textor_element_drop_down.cpp): the whole content becomes the entry's value.
    bool SelectItem(TDropDownItem* item) override;
    TDropDownItem* FillDropDown(TDropDownItem* root) override;

    // Element operations.
    bool IsFilled() const override;
    bool IsDefault() const override;
    void CheckContent() override;
    void GetAcceptedClasses(TElementClassList& list) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void AppendText(QString& builder) override;
    bool HandleMessage(int msg, void* param, void* data) override;
    QMargins GetPadding() override;
    void Relayout(bool all, bool force) override;
    // An embedded element that changed its size outside the layout gets its line laid out again.
    void ChildBoundsChanged(TVisualElement* child, const QRect& oldBounds, int oldDescent) override;
    void PageHeightChanged() override;
    void SheetChanging() override;
    void BoundsChanged(const QRect& oldBounds, int oldDescent) override;
    void GetText(QString& text) override;
    bool CanCopy() override;
    bool CanCopyAsText() override;
    void Copy() override;
    void CopyAsText() override;
    bool Paste() override;
    // With an ancestor that names a data element class (tree message 100): one new element per
    // file of a type it takes, inserted at the selection together.
    bool DropFiles(const QStringList& fileNames) override;
    bool FindText(int mode, TFindData& findData, int& position, TVisualElement*& next, bool forward) override;
    void GetAvailableSize(TVisualElement* child, QSize& size) override;
    // An embedded element freed other than through an edit leaves its place in the text.
    void RemoveVisualChild(TVisualElement* child) override;
    // Commits a change that waited for the focus to go (deferred commit).
    void FocusLost() override;
    // An element item inserts a new element of its class in place of the selection, as one undo
    // step; it is enabled while the field can be edited.
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;

    // Interaction: the field creates its interactive when it gets the focus and frees it when it
    // loses it; keys and mouse go to it (points less the padding).
    void FocusChanged() override;
    void GetCaret(int& kind, QRect& rect) override;
    bool HasSelection() override;
    bool SelectionContains(const QPoint& point) override;
    // The first Select All selects the field's content; one more, with nothing moved in between,
    // selects the element the field belongs to in the text it floats in (the enclosing text field
    // takes the focus), and so on outwards one level a press.
    void SelectAll() override;
    void FocusEntering(bool forward) override;
    bool FocusBesideEmbedded(TVisualElement* embedded, bool after) override;
    TVisualElement* EmbeddedFocusTarget(bool forward) override;
    // Read-only, or a field that holds elements only: insert one from the palette.
    QString InputRefusedHint() override;
    void CaptureCancelled() override;
    bool CanCut() override;
    int GetCursor(const QPoint& point) override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    void MouseDown(const QPoint& point, Qt::KeyboardModifiers shift, bool doubleClick) override;
    void MouseMove(const QPoint& point, Qt::KeyboardModifiers shift) override;
    void MouseUp(const QPoint& point, bool released, Qt::KeyboardModifiers shift) override;

    // Draws the frame theme element over the client rectangle (element coordinates).
    virtual void PaintFrame(TCanvas* canvas);
    // The field's own look: nothing while its Textor is locked; else the frame, then the content
    // moved by the padding, with non-printing marks when the sheet shows them, and the selection of
    // a focused field.
    void Paint(TCanvas* canvas) override;
    void PaintChildren(TCanvas* canvas, int flags) override;

    // The Textor was arranged: pending selection, size, first line height, repaint.
    void TextorArranged();

protected:
    void BeforeDestruction() override;
    // Also when an ancestor moves: a part of an element takes its options from the text field that
    // holds that element, which it only has once the element is placed.
    void ParentElementChanged() override;

private:
    friend class TSchemeTextor;
    friend class TTextorEditOperation;

    enum TFocusPlacement : uint8_t
    {
        fpNone,
        fpFirst,
        fpLast,
        fpPoint,
        fpBefore,
        fpAfter,
        fpSelection,
    };
    // Runs a call into the interactive; an interactive that the call unfocused is freed afterwards.
    class TInteractiveCall;

    void CreateInteractive();
    void FreeInteractive();
    // The interactive, when it exists and the Textor is laid out (its positions are current).
    TSchemeTextorInteractive* ReadyInteractive() const;
    void InteractiveNotify(TItfObject* sender, int notify, intptr_t param1, intptr_t param2);
    // Copies the interactive's anchor and caret into Selection().
    void SyncSelection();
    // Marks the embedded elements inside the selection as selected (covered) and the others not.
    // Covers the embedded elements inside the selection and uncovers the rest (all of them with
    // `none`); true when any changed.
    bool MarkSelectedElements(bool none);
    void RequestFocus(TFocusPlacement placement);
    void ApplyFocusPlacement();
    // Hands an edit's selection to the interactive, applied after the next Arrange.
    void SetPendingSelection(const TTextorIndexRange& range);
    // Applies a pending selection that no Arrange picked up (an edit that changed no layout).
    void FlushPendingSelection();
    // Applies a pending selection now; false when there was none.
    bool FlushPendingSelectionNow();
    // Re-selects Selection() with freshly converted positions, clamped to the content.
    void ReapplySelection();
    void CommitChange();
    int ClickCount(const QPoint& point, bool doubleClick);
    // The text of `range` as the user sees it: embedded elements give their text, paragraph ends
    // CR LF.
    QString RangeAsText(const TTextorRange& range);

    // Takes over the inheritable option bits of the enclosing field.
    void InheritOptions();
    // Re-splits the content after a change of the tab or paragraph bits, keeping attributes.
    void NormalizeContent();
    // Inserts an element that already is a child of this field as an element portion.
    TTextorRange InsertElementPortion(const TTextorPosition& position, TVisualElement* element);
    // The embedded element that follows `position` in text order, or null.
    TElement* ElementAfter(const TTextorPosition& position);
    // A new element of the data element class an ancestor names, linked provisionally before the
    // element at the caret and initialised as new, with the part that receives the data (tree
    // message 101, else the element itself); null when no ancestor names a class.
    TElement* NewDataElement(IDataElementReceiver*& receiver);
    // Inserts new data elements at the selection (they are freed) and activates the last one when
    // the sheet focuses new elements.
    void InsertDataElements(const QList<TElement*>& elements);
    void DetectLinks(TParagraph& paragraph);
    bool SelectionRange(TTextorRange& range) const;
    void SetFieldState(uint8_t bits, bool on);

    // The Textor, made on first use (`->`, get): a field that is never given content nor laid out (a
    // description nobody wrote) has none, which reads as empty. Testing it says whether it exists.
    class TLazyTextor
    {
    public:
        explicit TLazyTextor(TTextorElement* element) : FElement(element) {}
        TSchemeTextor* operator->() const { return get(); }
        TSchemeTextor& operator*() const { return *get(); }
        // Null once the field let go of its Textor (BeforeDestruction).
        TSchemeTextor* get() const;
        explicit operator bool() const { return FTextor != nullptr; }
        bool Released() const { return FElement == nullptr; }
        bool operator==(std::nullptr_t) const { return FTextor == nullptr; }
        void reset()
        {
            FTextor.reset();
            FElement = nullptr;
        }

    private:
        TTextorElement* FElement;
        mutable std::unique_ptr<TSchemeTextor> FTextor;
    };
    TLazyTextor FTextor{this};
    QString FDefaultText;
    uint32_t FContentOptions = 0;
    uint32_t FBehaviourOptions = 0;
    uint8_t FFieldState = 0;
    int FFirstLineHeight = 0;
    bool FSheetUnlocked = false;
    // The wrap width (pixels, GetWidth of the Textor) and the default text attributes of the last
    // Arrange: a relayout that finds others (a new page width, theme or font size) wraps again.
    int FArrangedWidth = 0;
    const TTextAttributes* FArrangedFont = nullptr;
    std::unique_ptr<TSchemeTextorInteractive> FInteractive;
    // What only a field the user works in needs, made on first use (Interaction): most fields of a
    // large document are never focused or clicked.
    struct TInteraction
    {
        TTextorIndexRange Selection;
        // An interactive whose field lost the focus during a call into it; freed when the call
        // returns.
        std::unique_ptr<TSchemeTextorInteractive> RetiredInteractive;
        int InteractiveCalls = 0;
        TFocusPlacement FocusPlacement = fpNone;
        QPoint FocusPoint;
        int32_t FocusElementID = 0;
        // Modifiers of the last KeyDown: character input comes without them.
        Qt::KeyboardModifiers KeyShift;
        // Click counting for double and triple clicks (the clock's monotonic milliseconds, element
        // coordinates).
        int64_t LastClickTime = -1'000'000'000'000;
        QPoint LastClickPoint;
        int ClickCount = 0;
        // The last Select All selected the whole content and the selection has not moved since:
        // the next one widens.
        bool SelectedAll = false;
    };
    TInteraction& Interaction();
    std::unique_ptr<TInteraction> FInteraction;
};

} // namespace qv
