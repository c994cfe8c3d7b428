#pragma once

#include "core/itf_object.h"

namespace qv {

class TSheet;

// An open drop-down list of a sheet (the list of values or classes a field offers). The sheet owns the
// open list, asks it the few questions its keyboard handling needs and tells it to apply its chosen
// entry when it closes with commit. The entries, their painting and the list's window belong to the
// concrete lists.
//
// A list whose entries change calls EntriesChanged, which sends the sheet's shnDropDownChanged so that
// the window can adjust the list's size.
class TDropDownList : public TItfObject
{
public:
    explicit TDropDownList(TSheet* sheet) : FSheet(sheet) {}
    ~TDropDownList() override = default;

    TSheet* Sheet() const { return FSheet; }

    // There is a current (highlighted) entry.
    virtual bool HasCurrentEntry() const = 0;
    // The current entry may be chosen (Enter closes the list with commit only then).
    virtual bool CanChooseCurrentEntry() const = 0;
    // The current entry has sub-entries (a space opens them).
    virtual bool CurrentEntryHasSubEntries() const = 0;
    virtual void OpenSubEntries() = 0;
    // Applies the chosen entry to the element that opened the list; runs once, after the sheet has
    // sent shnDropDownClosed, right before the list is freed.
    virtual void ApplyChosenEntry() = 0;

    void EntriesChanged();

private:
    TSheet* FSheet; // not owned
};

} // namespace qv
