#pragma once

#include "elements/element_operation.h"
#include "library/custom_titled_element.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace qv {

class TSchemePaletteItem;
class TTextorElement;

// Which matches a replacement replaces. The numbers are stored in undo records; keep them.
enum TReplacementMode : uint8_t
{
    rmAll = 0,   // "Mode" omitted
    rmFirst = 1, // "First"
    rmLast = 2,  // "Last"
};

// One match found in a run: `Length` UTF-16 units of run `Run` from `Start`.
struct TRunMatch
{
    int Run = 0;
    int Start = 0;
    int Length = 0;

    bool operator==(const TRunMatch&) const = default;
};

// The matches of `find` in `runs` (texts between embedded elements and line breaks; a match never
// crosses runs), in run order and left to right within a run:
//   rmAll   every match, each search going on after the previous match (so after the text that
//           replaces it: replacing "a" by "aa" ends);
//   rmFirst the first match of the first run that has one;
//   rmLast  the last match of the last run that has one.
// Case-insensitive matching folds each character on its own (QChar::toCaseFolded), never whole
// strings to upper case, which may change their length ("ß" would become "SS") and shift every
// position after it. An empty `find` matches nothing.
QList<TRunMatch> FindRunMatches(const QStringList& runs, const QString& find, TReplacementMode mode,
                                bool caseInsensitive);
// `runs` with the matches replaced by `replace`.
QStringList ReplaceInRuns(const QStringList& runs, const QString& find, const QString& replace,
                          TReplacementMode mode, bool caseInsensitive);
// Replaces the matches inside a text field's content by `replace` (plain text in the attributes of
// the run). Runs are the text portions between embedded elements and line breaks. Not undoable:
// for the private copy a generation run works on. Returns the number of replacements.
int ReplaceInField(TTextorElement* field, const QString& find, const QString& replace, TReplacementMode mode,
                   bool caseInsensitive);

// A search and replace over its content ("Content"): "FindValue" is replaced by "ReplaceValue",
// in all, the first or the last instance ("Mode"), with or without regard to case
// ("CaseInsensitive", stored only when set). A generation run replaces the element by the result.
class TElement_Replacement : public TTitledElement
{
    QV_CLASS(TElement_Replacement, TTitledElement)

    explicit TElement_Replacement(TScheme* scheme);

    TTextorElement* Content() const { return FContent; }
    TTextorElement* FindValue() const { return FFindValue; }
    TTextorElement* ReplaceValue() const { return FReplaceValue; }
    uint8_t Mode() const { return FMode; }
    bool CaseInsensitive() const { return FCaseInsensitive; }
    // Not undoable.
    void SetMode(uint8_t value);
    void SetCaseInsensitive(bool value);
    // Post undoable operations.
    void SetModeUndoable(uint8_t value);
    void SetCaseInsensitiveUndoable(bool value);

    void BuildTitle(TTitleWriter& writer) override;
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override;
    void GetPartHint(TElement* part, QString& text) override;
    void LoadFromKnot(TSchemeLoader* filer, TKnot* knot) override;
    void SaveToKnot(TSchemeSaver* filer, TKnot* knot) override;
    void GetPaletteItems(QList<TPaletteItem*>& list) override;
    void GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state) override;
    bool ExecutePaletteItem(TPaletteItem* item, bool value) override;

private:
    TTextorElement* FContent;
    TTextorElement* FFindValue;
    TTextorElement* FReplaceValue;
    uint8_t FMode = rmAll;
    bool FCaseInsensitive = false;
};

// Sets the mode of a replacement; undo sets the old one back.
class TReplacementModeOperation : public TElementOperation
{
    QV_CLASS(TReplacementModeOperation, TElementOperation)

    explicit TReplacementModeOperation(TElement_Replacement* element = nullptr, uint8_t value = rmAll);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    uint8_t FNewValue;
    uint8_t FOldValue = rmAll;
};

// Sets or clears the case-insensitive matching of a replacement; undo restores it.
class TReplacementCaseOperation : public TElementOperation
{
    QV_CLASS(TReplacementCaseOperation, TElementOperation)

    explicit TReplacementCaseOperation(TElement_Replacement* element = nullptr, bool value = false);

protected:
    void DoOnElement(TElement* element) override;
    void UndoOnElement(TElement* element) override;

private:
    bool FNewValue;
    bool FOldValue = false;
};

// The four commands of replacements (all, first, last instance; case-insensitive), made on first
// use in the "Options" group of the palette.
struct TReplacementPaletteItems
{
    TSchemePaletteItem* Modes[3] = {};
    TSchemePaletteItem* CaseInsensitive = nullptr;
};
const TReplacementPaletteItems& ReplacementPaletteItems();

} // namespace qv
