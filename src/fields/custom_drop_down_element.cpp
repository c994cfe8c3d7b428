#include "fields/custom_drop_down_element.h"

#include "core/property.h"
#include "core/update_guard.h"
#include "core/user_interface.h"
#include "elements/drop_down_list.h"
#include "elements/element_sheet.h"
#include "elements/scheme_images.h"
#include "textor/canvas.h"

#include <QLocale>

#include <algorithm>
#include <memory>

namespace qv {

QV_IMPLEMENT_CLASS(TCustomDropDownElement)

namespace {

// Walks the entries under `root` in document order (an entry, its sub-entries, its next sibling).
template <class F>
bool WalkItems(TDropDownItem* root, F&& visit)
{
    for (TDropDownItem* item = root->FirstItem(); item != nullptr; item = item->NextItem()) {
        if (visit(item) || WalkItems(item, visit))
            return true;
    }
    return false;
}

int CommonBeginning(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return int(i);
}

TDropDownItem* MatchRound(TDropDownItem* root, const QString& text, bool ignoreCase)
{
    const QLocale locale = QLocale::system();
    auto key = [&](const QString& value) {
        return ignoreCase ? locale.toLower(value) : value;
    };
    const QString wanted = key(text);
    TDropDownItem* found = nullptr;
    WalkItems(root, [&](TDropDownItem* item) {
        if (key(item->Value()) == wanted)
            found = item;
        return found != nullptr;
    });
    if (found != nullptr)
        return found;
    WalkItems(root, [&](TDropDownItem* item) {
        if (key(item->Value().left(text.size())) == wanted)
            found = item;
        return found != nullptr;
    });
    if (found != nullptr)
        return found;
    int best = 0;
    WalkItems(root, [&](TDropDownItem* item) {
        const int count = CommonBeginning(key(item->Value()), wanted);
        if (count > best) {
            best = count;
            found = item;
        }
        return false;
    });
    return found;
}

} // namespace

bool TCustomDropDownElement::SelectItem(TDropDownItem*)
{
    return false;
}

bool TCustomDropDownElement::HasDropDown()
{
    return HasVisualOption(voHasDropDown);
}

TDropDownItem* TCustomDropDownElement::FillDropDown(TDropDownItem*)
{
    return nullptr;
}

TDropDownItem* TCustomDropDownElement::MatchItem(TDropDownItem* root, const QString& text,
                                                 bool caseSensitiveOnly)
{
    if (root == nullptr || text.isEmpty())
        return nullptr;
    if (TDropDownItem* item = MatchRound(root, text, false))
        return item;
    return caseSensitiveOnly ? nullptr : MatchRound(root, text, true);
}

void TCustomDropDownElement::OpenDropDown()
{
    IElementSheet* sheet = Sheet();
    if (sheet == nullptr)
        return;
    auto list = std::make_unique<TDropDownList>(sheet);
    list->SetOwnerID(ID());
    list->SetOnChoose(MakeNotifyEvent<&TCustomDropDownElement::DropDownChosen>(this));
    {
        TUpdateGuard<TDropDownList> update(*list);
        TDropDownItem* current = FillDropDown(list->Root());
        if (current == nullptr)
            current = list->Root()->FirstItem();
        list->SetCurrent(current);
        list->SetOwnerRect(GetClientRect().translated(SheetOrigin()));
        TCanvas* canvas = sheet->Canvas();
        list->SetItemHeight(std::max(CharImages().Height(), canvas->ThemeTextHeight(stfValue)) + 6);
        list->UpdateWidth();
    }
    sheet->OpenDropDown(std::move(list));
}

void TCustomDropDownElement::DropDownChosen(TItfObject*, int, intptr_t item, intptr_t)
{
    auto* chosen = reinterpret_cast<TDropDownItem*>(item);
    if (chosen != nullptr && !SelectItem(chosen))
        UserInterface().Beep();
}

void TCustomDropDownElement::Activate()
{
    inherited::Activate();
    if (!IsFocused() || HasVisualOption(voNoAutoDropDown))
        return;
    IElementSheet* sheet = Sheet();
    if (sheet == nullptr || !sheet->DropDownOnFocusNew())
        return;
    if (HasDropDown())
        OpenDropDown();
}

void TCustomDropDownElement::KeyDown(int& key, Qt::KeyboardModifiers shift)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (shift & Qt::ControlModifier) == 0) {
        key = 0;
        if (HasDropDown())
            OpenDropDown();
        return;
    }
    inherited::KeyDown(key, shift);
}

void TCustomDropDownElement::KeyPress(QChar& key)
{
    if (key == u'\r' && HasDropDown()) {
        key = QChar();
        return;
    }
    inherited::KeyPress(key);
}

TVisualElement* TCustomDropDownElement::DoubleClickAction()
{
    TVisualElement* result = inherited::DoubleClickAction();
    if (HasDropDown())
        OpenDropDown();
    return result;
}

void TCustomDropDownElement::CloseOwnDropDown()
{
    IElementSheet* sheet = Sheet();
    if (sheet != nullptr && sheet->DropDown() != nullptr && sheet->DropDown()->OwnerID() == ID()) {
        // The list must not call back into an element that is going.
        sheet->DropDown()->SetOnChoose(TItfNotifyEvent());
        sheet->CloseDropDown(false);
    }
}

void TCustomDropDownElement::SheetChanging()
{
    CloseOwnDropDown();
    inherited::SheetChanging();
}

void TCustomDropDownElement::BeforeDestruction()
{
    CloseOwnDropDown();
    inherited::BeforeDestruction();
}

} // namespace qv
