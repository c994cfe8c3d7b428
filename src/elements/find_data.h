#pragma once

#include <QString>

namespace qv {

class TElement;

// One search of the Find and Replace commands, carried through FindText. The search never leaves
// the subtree of Root (the edited document's top element).
class TFindData
{
public:
    TFindData() = default;
    TFindData(TElement* root, const QString& text, bool matchCase)
        : FRoot(root), FText(text), FMatchCase(matchCase)
    {}

    TElement* Root() const { return FRoot; }
    void SetRoot(TElement* root) { FRoot = root; }
    const QString& Text() const { return FText; }
    void SetText(const QString& text) { FText = text; }
    bool MatchCase() const { return FMatchCase; }
    void SetMatchCase(bool value) { FMatchCase = value; }
    // Passed on to every FindFocusTarget of the search; both off for Find and Replace.
    bool ShownOnly() const { return FShownOnly; }
    bool EnabledOnly() const { return FEnabledOnly; }
    void SetFocusFlags(bool shownOnly, bool enabledOnly)
    {
        FShownOnly = shownOnly;
        FEnabledOnly = enabledOnly;
    }

    // Compares a candidate of the same length as Text: with MatchCase character by character,
    // otherwise ignoring the case of the letters A to Z only (other letters must match exactly).
    bool Matches(QStringView candidate) const;
    // Tells the user that Text was not found (an information box).
    void NotFound() const;

private:
    TElement* FRoot = nullptr;
    QString FText;
    bool FMatchCase = false;
    bool FShownOnly = false;
    bool FEnabledOnly = false;
};

} // namespace qv
