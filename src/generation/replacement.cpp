#include "generation/replacement.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/update_guard.h"
#include "elements/palette.h"
#include "fields/textor_element.h"
#include "naming/namespace.h"
#include "textor/attributes.h"
#include "textor/textor_paragraph.h"
#include "textor/textor_portion.h"

#include <QChar>

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TElement_Replacement)
QV_IMPLEMENT_CLASS(TReplacementModeOperation)
QV_IMPLEMENT_CLASS(TReplacementCaseOperation)

namespace {

const QString modeName = QStringLiteral("Mode");
const QString caseInsensitiveName = QStringLiteral("CaseInsensitive");
const QString firstText = QStringLiteral("First");
const QString lastText = QStringLiteral("Last");

// The code point at `index` of `text` and the index after it; an unpaired surrogate stands for
// itself.
char32_t CodePointAt(const QString& text, int& index)
{
    const char16_t high = text.at(index).unicode();
    ++index;
    if (QChar::isHighSurrogate(high) && index < text.size() &&
        QChar::isLowSurrogate(text.at(index).unicode()))
        return QChar::surrogateToUcs4(high, text.at(index++).unicode());
    return high;
}

// The end of the match of `find` at `start` of `text`, or -1. Each code point is folded on its own,
// so a match is found where the user sees one and its length is counted in the text itself.
int MatchEnd(const QString& text, int start, const QString& find, bool caseInsensitive)
{
    int i = start;
    int j = 0;
    while (j < find.size()) {
        if (i >= text.size())
            return -1;
        char32_t a = CodePointAt(text, i);
        char32_t b = CodePointAt(find, j);
        if (caseInsensitive) {
            a = QChar::toCaseFolded(a);
            b = QChar::toCaseFolded(b);
        }
        if (a != b)
            return -1;
    }
    return i;
}

// Whether a match may start at `index`: never inside a surrogate pair.
bool CanStartAt(const QString& text, int index)
{
    return index == 0 || !QChar::isLowSurrogate(text.at(index).unicode()) ||
           !QChar::isHighSurrogate(text.at(index - 1).unicode());
}

// One run of a text field: its paragraph, its offset there and its text and attributes.
struct TFieldRun
{
    int Paragraph = 0;
    int Offset = 0;
    QString Text;
    TAttributesRef<TTextAttributes> Attributes;
};

QList<TFieldRun> CollectRuns(TTextor& textor)
{
    QList<TFieldRun> runs;
    TParagraph* paragraph = nullptr;
    int paragraphIndex = -1;
    int offset = 0;
    bool open = false;
    textor.ForEachSegment(textor.WholeRange(), false,
                          [&](TParagraph* p, TPortion* portion, int start, int count) {
                              if (p != paragraph) {
                                  paragraph = p;
                                  ++paragraphIndex;
                                  offset = 0;
                                  open = false;
                              }
                              if (portion == nullptr) {
                                  open = false;
                                  return true;
                              }
                              if (portion->Kind() == TPortionKind::Element) {
                                  open = false;
                                  offset += count;
                                  return true;
                              }
                              if (open && !portion->SameAttributes(runs.last().Attributes.get()))
                                  open = false;
                              if (!open) {
                                  runs.append({paragraphIndex, offset, QString(),
                                               TAttributesRef<TTextAttributes>(portion->Attributes())});
                                  open = true;
                              }
                              QString chars(count, Qt::Uninitialized);
                              portion->CopyText(start, count, chars.data());
                              runs.last().Text += chars;
                              offset += count;
                              return true;
                          });
    return runs;
}

} // namespace

QList<TRunMatch> FindRunMatches(const QStringList& runs, const QString& find, TReplacementMode mode,
                                bool caseInsensitive)
{
    QList<TRunMatch> matches;
    if (find.isEmpty())
        return matches;
    const int count = int(runs.size());
    if (mode == rmLast) {
        for (int run = count - 1; run >= 0; --run) {
            const QString& text = runs[run];
            for (int start = int(text.size()) - 1; start >= 0; --start) {
                if (!CanStartAt(text, start))
                    continue;
                const int end = MatchEnd(text, start, find, caseInsensitive);
                if (end >= 0)
                    return {{run, start, end - start}};
            }
        }
        return matches;
    }
    for (int run = 0; run < count; ++run) {
        const QString& text = runs[run];
        int start = 0;
        while (start < text.size()) {
            const int end = CanStartAt(text, start) ? MatchEnd(text, start, find, caseInsensitive) : -1;
            if (end < 0) {
                ++start;
                continue;
            }
            matches.append({run, start, end - start});
            if (mode == rmFirst)
                return matches;
            start = end;
        }
    }
    return matches;
}

QStringList ReplaceInRuns(const QStringList& runs, const QString& find, const QString& replace,
                          TReplacementMode mode, bool caseInsensitive)
{
    QStringList result = runs;
    const QList<TRunMatch> matches = FindRunMatches(runs, find, mode, caseInsensitive);
    // Last to first, so that earlier positions stay valid.
    for (auto it = matches.crbegin(); it != matches.crend(); ++it)
        result[it->Run].replace(it->Start, it->Length, replace);
    return result;
}

int ReplaceInField(TTextorElement* field, const QString& find, const QString& replace, TReplacementMode mode,
                   bool caseInsensitive)
{
    if (field == nullptr || field->Textor() == nullptr || find.isEmpty())
        return 0;
    TTextor& textor = *field->Textor();
    const QList<TFieldRun> runs = CollectRuns(textor);
    QStringList texts;
    texts.reserve(runs.size());
    for (const TFieldRun& run : runs)
        texts.append(run.Text);
    const QList<TRunMatch> matches = FindRunMatches(texts, find, mode, caseInsensitive);
    if (matches.isEmpty())
        return 0;
    TUpdateGuard<TTextor> guard(&textor);
    for (auto it = matches.crbegin(); it != matches.crend(); ++it) {
        const TFieldRun& run = runs[it->Run];
        const TTextorIndexRange index{{run.Paragraph, run.Offset + it->Start},
                                      {run.Paragraph, run.Offset + it->Start + it->Length}};
        TTextorRange range;
        if (!textor.FromIndex(index, range))
            continue;
        const TTextorPosition at = textor.DeleteRange(range);
        if (!replace.isEmpty())
            textor.InsertText(at, replace, run.Attributes.get());
    }
    return int(matches.size());
}

// ---------------------------------------------------------------------------------------------------
// TElement_Replacement

namespace {

// A one-line text field of a replacement that may embed the inline value elements.
TTextorElement* CreateReplacementField(TElement_Replacement* owner)
{
    auto* field = owner->CreatePart<TTextorElement>();
    field->SetBehaviourOptions(field->BehaviourOptions() | tboElements | tboFieldFrame | tboWrap480);
    field->SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial | tcoTabStops);
    field->SetVisualParent(owner);
    return field;
}

} // namespace

TElement_Replacement::TElement_Replacement(TScheme* scheme) : TTitledElement(scheme)
{
    FFindValue = CreateReplacementField(this);
    FReplaceValue = CreateReplacementField(this);
    FContent = CreateReplacementField(this);
}

void TElement_Replacement::SetMode(uint8_t value)
{
    if (value > rmLast || value == FMode)
        return;
    FMode = value;
    Invalidate();
}

void TElement_Replacement::SetCaseInsensitive(bool value)
{
    if (value == FCaseInsensitive)
        return;
    FCaseInsensitive = value;
    Invalidate();
}

void TElement_Replacement::SetModeUndoable(uint8_t value)
{
    if (value > rmLast || value == FMode)
        return;
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TReplacementModeOperation(this, value)));
}

void TElement_Replacement::SetCaseInsensitiveUndoable(bool value)
{
    if (value == FCaseInsensitive)
        return;
    TSchemeOperation::Post(TNodePtr<TSchemeOperation>(new TReplacementCaseOperation(this, value)));
}

void TElement_Replacement::BuildTitle(TTitleWriter& writer)
{
    inherited::BuildTitle(writer);
    writer.AddText(QStringLiteral("replace"));
    writer.AddElement(FFindValue, tiaCentre);
    writer.AddText(QStringLiteral("by"));
    writer.AddElement(FReplaceValue, tiaCentre);
    writer.AddText(QStringLiteral("in"));
    writer.AddElement(FContent, tiaCentre);
}

QString TElement_Replacement::GetPartKnotName(TElement* part, uint8_t filerMode)
{
    if (part == FContent)
        return QStringLiteral("Content");
    if (part == FFindValue)
        return QStringLiteral("FindValue");
    if (part == FReplaceValue)
        return QStringLiteral("ReplaceValue");
    return inherited::GetPartKnotName(part, filerMode);
}

void TElement_Replacement::GetPartHint(TElement* part, QString& text)
{
    if (part == FFindValue) {
        text = LoadStr(4564);
        return;
    }
    if (part == FReplaceValue) {
        text = LoadStr(4565);
        return;
    }
    inherited::GetPartHint(part, text);
}

void TElement_Replacement::LoadFromKnot(TSchemeLoader* filer, TKnot* knot)
{
    inherited::LoadFromKnot(filer, knot);
    const QString mode = knot->ReadString(modeName);
    SetMode(SameNameIgnoringLatinCase(mode, firstText)  ? rmFirst
            : SameNameIgnoringLatinCase(mode, lastText) ? rmLast
                                                        : rmAll);
    SetCaseInsensitive(knot->ReadBool(caseInsensitiveName, false));
}

void TElement_Replacement::SaveToKnot(TSchemeSaver* filer, TKnot* knot)
{
    inherited::SaveToKnot(filer, knot);
    if (FMode == rmFirst)
        knot->WriteString(modeName, firstText);
    else if (FMode == rmLast)
        knot->WriteString(modeName, lastText);
    if (FCaseInsensitive)
        knot->WriteBool(caseInsensitiveName, true);
}

void TElement_Replacement::GetPaletteItems(QList<TPaletteItem*>& list)
{
    inherited::GetPaletteItems(list);
    const TReplacementPaletteItems& items = ReplacementPaletteItems();
    for (TSchemePaletteItem* item : items.Modes)
        list.append(item);
    list.append(items.CaseInsensitive);
}

void TElement_Replacement::GetPaletteItemState(TPaletteItem* item, TPaletteItemState& state)
{
    inherited::GetPaletteItemState(item, state);
    const TReplacementPaletteItems& items = ReplacementPaletteItems();
    for (uint8_t mode = rmAll; mode <= rmLast; ++mode) {
        if (item == items.Modes[mode])
            state.Checked = FMode == mode;
    }
    if (item == items.CaseInsensitive)
        state.Checked = FCaseInsensitive;
}

bool TElement_Replacement::ExecutePaletteItem(TPaletteItem* item, bool value)
{
    const TReplacementPaletteItems& items = ReplacementPaletteItems();
    for (uint8_t mode = rmAll; mode <= rmLast; ++mode) {
        if (item == items.Modes[mode]) {
            if (IsReadOnly())
                return false;
            SetModeUndoable(mode);
            return true;
        }
    }
    if (item == items.CaseInsensitive) {
        if (IsReadOnly())
            return false;
        SetCaseInsensitiveUndoable(value);
        return true;
    }
    return inherited::ExecutePaletteItem(item, value);
}

const TReplacementPaletteItems& ReplacementPaletteItems()
{
    static const TReplacementPaletteItems items = [] {
        TReplacementPaletteItems result;
        TPaletteGroup* options = Palette().OptionsGroup();
        const uint16_t radio = piRadio | piSplitButton;
        result.Modes[rmAll] =
            new TSchemePaletteItem(options, radio | piNewColumn, -1, QV_STR(4568), QV_STR(4567), 48);
        result.Modes[rmFirst] = new TSchemePaletteItem(options, radio, -1, QV_STR(4570), QV_STR(4569), 47);
        result.Modes[rmLast] = new TSchemePaletteItem(options, radio, -1, QV_STR(4572), QV_STR(4571), 46);
        for (TSchemePaletteItem* item : result.Modes)
            item->SetRadioGroup(4567);
        result.CaseInsensitive =
            new TSchemePaletteItem(options, piCheck | piSplitButton, -1, QV_STR(4574), QV_STR(4573), 45);
        return result;
    }();
    return items;
}

// ---------------------------------------------------------------------------------------------------
// Operations

TReplacementModeOperation::TReplacementModeOperation(TElement_Replacement* element, uint8_t value)
    : TElementOperation(element), FNewValue(value)
{}

void TReplacementModeOperation::DoOnElement(TElement* element)
{
    if (auto* replacement = dynamic_cast<TElement_Replacement*>(element)) {
        FOldValue = replacement->Mode();
        replacement->SetMode(FNewValue);
    }
}

void TReplacementModeOperation::UndoOnElement(TElement* element)
{
    if (auto* replacement = dynamic_cast<TElement_Replacement*>(element))
        replacement->SetMode(FOldValue);
}

TReplacementCaseOperation::TReplacementCaseOperation(TElement_Replacement* element, bool value)
    : TElementOperation(element), FNewValue(value)
{}

void TReplacementCaseOperation::DoOnElement(TElement* element)
{
    if (auto* replacement = dynamic_cast<TElement_Replacement*>(element)) {
        FOldValue = replacement->CaseInsensitive();
        replacement->SetCaseInsensitive(FNewValue);
    }
}

void TReplacementCaseOperation::UndoOnElement(TElement* element)
{
    if (auto* replacement = dynamic_cast<TElement_Replacement*>(element))
        replacement->SetCaseInsensitive(FOldValue);
}

} // namespace qv
