#pragma once

#include "elements/element_operation.h"
#include "library/custom_button_element.h"

#include <QList>

namespace qv {

// Tree messages of expand buttons, sent by a button to itself.
enum TExpandButtonTreeMessage : int
{
    tmExpandChanged = 8,      // the button's state changed; the titled parent lays its title out
    tmExpandDefaultQuery = 9, // data: bool*, proposal true; a parent may say the button is not default
};

// ButtonFlags.
enum TExpandButtonFlag : uint8_t
{
    ebfDefaultExpanded = 0x01,
    ebfLogicFrameLook = 0x02,
};

// The collapse/expand toggle of a titled element. It keeps its state itself (and in the file); the
// element it belongs to only builds a shorter title while it is collapsed. Pressing it posts an
// undoable operation that does not mark the document modified; it toggles also in a read-only
// element.
class TExpandButton : public TCustomButtonElement
{
    QV_CLASS(TExpandButton, TCustomButtonElement)

    explicit TExpandButton(TScheme* scheme);
    // A button of `owner`'s scheme with the default state, owned by `owner` and placed before
    // `before` among its children (null: last) and before `visualBefore` among `visualParent`'s visual
    // children (null visual parent: not placed).
    static TExpandButton* Create(TElement* owner, bool defaultExpanded, TElement* before = nullptr,
                                 TVisualElement* visualParent = nullptr,
                                 TVisualElement* visualBefore = nullptr);

    uint8_t ButtonFlags() const { return FButtonFlags; }
    void SetButtonFlags(uint8_t value);
    bool DefaultExpanded() const { return (FButtonFlags & ebfDefaultExpanded) != 0; }
    bool Expanded() const { return FExpanded; }
    // The elements whose content the button hides: parts of the button's owner, which live as long
    // as it (not owned). Held directly, not by ID, because a snapshot load gives parts new IDs.
    const QList<TElement*>& Controlled() const { return FControlled; }
    bool Controls(const TElement* element) const;

    void AddControlled(TElement* element);
    // Not undoable; tells the titled parent (tree message 8) and repaints.
    void SetExpanded(bool value);
    void SetExpandedUndoable(bool value);

    void Press() override;
    // Not default when a tracked controlled element is not default; else what tree message 9 says.
    bool IsDefault() const override;
    void DefaultChanged() override;
    void GetHint(QString& text) override;
    int GetCursor(const QPoint& point) override;
    void GetCaret(int& kind, QRect& rect) override;
    QMargins GetMargins() override;
    void Paint(TCanvas* canvas) override;
    void FocusChanged() override;
    void ShownChanged() override;
    void Relayout(bool all, bool force) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;

    // The cursor number of "diExpandButtonCursor".
    static constexpr int expandButtonCursor = 2;

private:
    void UpdateSize();
    QString StateName(TSchemeFiler* filer);

    QList<TElement*> FControlled;
    uint8_t FButtonFlags = 0;
    bool FExpanded = false;
};

// Sets an expand button's state; undoing sets the old state back. It does not mark the document
// modified.
class TExpandButtonOperation : public TElementOperation
{
    QV_CLASS(TExpandButtonOperation, TElementOperation)

    explicit TExpandButtonOperation(TExpandButton* button = nullptr, bool value = false);

    bool NewValue() const { return FNewValue; }
    bool OldValue() const { return FOldValue; }
    TOperationFlags Flags() const override;

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    void Apply(TElement* element, bool value);

    bool FNewValue;
    bool FOldValue = false;
};

} // namespace qv
