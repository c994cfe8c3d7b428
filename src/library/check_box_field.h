#pragma once

#include "elements/element_operation.h"
#include "library/custom_button_element.h"

#include <QString>

#include <cstdint>

namespace qv {

// CaptionFlags of a check box.
enum TCheckBoxCaptionFlag : uint8_t
{
    cbfDefaultChecked = 0x01,     // the state a new box has and that is not stored
    cbfCaptionWhenChecked = 0x02, // the caption is shown only while the box is checked
};

// A yes/no option of its owner: an icon and a caption in a check box frame. A click, Enter or Space
// toggles it as one undoable change. Usually an inline part, stored as an attribute of its owner's
// node named by its part knot name, and only when it differs from its default state.
class TCheckBoxField : public TCustomButtonElement
{
    QV_CLASS(TCheckBoxField, TCustomButtonElement)

    explicit TCheckBoxField(TScheme* scheme);

    const QString& Caption() const { return FCaption; }
    uint8_t CaptionFlags() const { return FCaptionFlags; }
    bool Checked() const { return FChecked; }
    bool DefaultChecked() const { return (FCaptionFlags & cbfDefaultChecked) != 0; }
    // The caption as drawn: empty while unchecked with cbfCaptionWhenChecked.
    QString ShownCaption() const;

    // Not undoable.
    void SetChecked(bool value);
    // The default state, and the box set to it.
    void SetDefaultChecked(bool value);
    void SetCaption(const QString& text);
    void SetCaptionFlags(uint8_t flags);
    // Posts a TCheckBoxOperation.
    void SetCheckedUndoable(bool value);

    // Toggles undoably with the value sound; a read-only box only beeps.
    void Press() override;
    bool IsDefault() const override;
    QMargins GetMargins() override;
    void GetCaret(int& kind, QRect& rect) override;
    void Paint(TCanvas* canvas) override;
    void FocusChanged() override;
    void ShownChanged() override;
    void Relayout(bool all, bool force) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;

private:
    // Measures the caption with its icon in the theme's check box frame.
    void UpdateSize();
    // Re-measures and has the sheet place the caret again.
    void Remeasure();
    QString StateName(TSchemeFiler* filer);

    QString FCaption;
    uint8_t FCaptionFlags = 0;
    bool FChecked = false;
};

// Sets a check box's state; undoing sets the old state back. Marks the document modified.
class TCheckBoxOperation : public TElementOperation
{
    QV_CLASS(TCheckBoxOperation, TElementOperation)

    explicit TCheckBoxOperation(TCheckBoxField* box = nullptr, bool value = false);

    bool NewValue() const { return FNewValue; }
    bool OldValue() const { return FOldValue; }

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    void Apply(TElement* element, bool value);

    bool FNewValue;
    bool FOldValue = false;
};

} // namespace qv
