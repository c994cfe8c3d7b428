#pragma once

#include "elements/palette.h"
#include "fields/textor_element.h"

namespace qv {

class TDescriptionField;

// Free comment text that may embed images, tables, logic frames and signs. Optional in files.
class TCustomCommentElement : public TTextorElement
{
    QV_CLASS(TCustomCommentElement, TTextorElement)

    explicit TCustomCommentElement(TScheme* scheme);

    // Exactly the comment content class group.
    void GetAcceptedClasses(TElementClassList& list) override;
    bool GetFrameElement(int& element) override;
    // Pasted clipboard data that nobody else places becomes an image element.
    bool HandleMessage(int msg, void* param, void* data) override;
};

// The description a user attaches to an element. Its owner is its parent element; on a sheet it is
// a visual child of the sheet's top element, so that it can stand to the right of its owner, level
// with the owner's top. Shown only while filled or focused.
class TDescriptionField : public TCustomCommentElement
{
    QV_CLASS(TDescriptionField, TCustomCommentElement)

    explicit TDescriptionField(TScheme* scheme);

    TVisualElement* Owner() const;
    // Moves the field beside its owner (size and descent unchanged). Nothing without a sheet, an
    // owner on a sheet, or while hidden.
    void PlaceDescription();

    bool GetFrameElement(int& element) override;
    bool ComputeEffectiveDisabled() override;
    bool ComputeShown() override;
    TVisualElement* GetNavigationParent() override;
    void FocusChanged() override;
    void ShownChanged() override;
};

// An element that may carry a description (a part stored as "Description").
class TCustomDescribedElement : public TVisualElement
{
    QV_CLASS(TCustomDescribedElement, TVisualElement)

    explicit TCustomDescribedElement(TScheme* scheme);

    TDescriptionField* Description() const { return FDescription; }
    // Creates the description part; a described class that offers one calls it in its constructor.
    void CreateDescription();
    // The description's plain text; empty without a description.
    QString DescriptionText() const;
    void SetDescription(const QString& text);
    void SetDescriptionUndoable(const QString& text);

    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;
    void BoundsChanged(const QRect& oldBounds, int oldDescent) override;
    void PositionChanged() override;
    void ShownChanged() override;
    void EffectiveDisabledChanged() override;
    void Relayout(bool all, bool force) override;
    void SheetChanging() override;
    // The description comes first in navigation order.
    TVisualElement* NextVisualChild(TVisualElement* child, bool forward) override;

private:
    TDescriptionField* FDescription = nullptr; // a part
};

// The "Description" palette item: created in the "Actions" group on first use.
TSchemePaletteItem* DescriptionPaletteItem();

} // namespace qv
