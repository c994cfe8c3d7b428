#pragma once

#include "textor/textor_interactive.h"

namespace qv {

class TSchemeTextor;
class TTextorElement;

// The interactive of a text field: adds the pending selection an edit leaves for after the next
// Arrange, and moves the focus into embedded elements.
class TSchemeTextorInteractive : public TTextorInteractive
{
public:
    TSchemeTextorInteractive(TSchemeTextor* textor, TTextorElement* element);

    TSchemeTextor* SchemeTextor() const;
    const TTextorIndexRange& PendingSelection() const { return FPendingSelection; }
    bool PendingCaretAtStart() const { return FPendingCaretAtStart; }
    bool HasPendingSelection() const { return FHasPendingSelection; }
    void SetPendingSelection(const TTextorIndexRange& range, bool caretAtStart);
    void ClearPendingSelection() { FHasPendingSelection = false; }
    // Selects the pending selection (the start when it no longer converts) and clears it; false
    // when there was none.
    bool ApplyPendingSelection();
    // The paragraphs whose embedded elements the selection covered when it was last marked; First
    // greater than Last when none.
    struct TParagraphSpan
    {
        int First = 1;
        int Last = 0;
    };
    TParagraphSpan CoveredParagraphs;

protected:
    bool EnterEmbedded(TPortion* portion, bool atEnd) override;

private:
    TTextorElement* FElement;
    TTextorIndexRange FPendingSelection;
    bool FPendingCaretAtStart = false;
    bool FHasPendingSelection = false;
};

} // namespace qv
