#pragma once

#include "elements/visual_element.h"

#include <QString>

namespace qv {

class TDropDownItem;
class TItfObject;

// Visual options of drop-down elements (high half of VisualFlags).
enum TDropDownVisualOption : uint16_t
{
    voHasDropDown = 0x0100,        // the element offers a drop-down list
    voNoAutoDropDown = 0x0200,     // activating the element does not open the list
    voCaseSensitiveMatch = 0x0400, // matching the present value has no case-insensitive second round
};

// The base of elements that can show a drop-down list of values under themselves: it builds the
// list (FillDropDown), hands it to the sheet and applies the chosen entry (SelectItem). Text fields
// derive from it.
class TCustomDropDownElement : public TVisualElement
{
    QV_CLASS(TCustomDropDownElement, TVisualElement)

    using TVisualElement::TVisualElement;

    // Applies the chosen entry; false when nothing was applied (the choice then beeps).
    virtual bool SelectItem(TDropDownItem* item);
    // Whether the element offers a list: voHasDropDown.
    virtual bool HasDropDown();
    // Adds the entries under `root` and returns the one matching the present value, or null.
    virtual TDropDownItem* FillDropDown(TDropDownItem* root);

    // Builds the list and hands it to the sheet, which shows it below the element. Nothing happens
    // without a sheet; an error while building frees the list and passes on.
    void OpenDropDown();

    // The entry matching `text` in the tree under `root`: exact, then prefix, then the longest
    // common beginning, first case-sensitively and then, unless `caseSensitiveOnly`, without case.
    // Null for an empty text or when nothing matches.
    static TDropDownItem* MatchItem(TDropDownItem* root, const QString& text, bool caseSensitiveOnly);

    void Activate() override;
    void KeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void KeyPress(QChar& key) override;
    TVisualElement* DoubleClickAction() override;
    // An element leaving its sheet closes the list it opened.
    void SheetChanging() override;

protected:
    void BeforeDestruction() override;

private:
    // The list's OnChoose.
    void DropDownChosen(TItfObject* sender, int notify, intptr_t item, intptr_t);
    void CloseOwnDropDown();
};

} // namespace qv
