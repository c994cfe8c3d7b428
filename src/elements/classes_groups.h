#pragma once

#include "elements/element.h"

#include <QList>

namespace qv {

// An ordered list of element-class lists. Containers compute the classes they accept by adding and
// removing whole groups and single classes; every family of element classes adds its classes to the
// groups where they may be inserted.
//
// Filled while the program initialises (one thread); read-only afterwards.
class TClassesGroups
{
public:
    // Appends an empty group and returns its index (0, 1, 2, …).
    int AddGroup();
    int GroupCount() const { return static_cast<int>(FGroups.size()); }
    TElementClassList& GetGroup(int index);
    const TElementClassList& GetGroup(int index) const;

    // Appends the group's classes to `list` (each at most once in `list`).
    void AddGroupTo(TElementClassList& list, int index) const;
    // Removes the group's classes from `list`.
    void RemoveGroupFrom(TElementClassList& list, int index) const;

private:
    QList<TElementClassList> FGroups;
};

// The application's registry, created with the common groups in this order; document types append
// theirs later.
enum TCommonClassesGroup : int
{
    cgBlockClasses = 0,          // comment, logic frame, "If"
    cgCommentContentClasses = 1, // image, table, logic frame and the sign elements
    cgInlineClasses = 2,         // path, file name, substitution, date-time, replacement, …
    cgConditionClasses = 3,      // "IsEmpty"
    cgSignClasses = 4,           // the sign elements
};

TClassesGroups& ApplicationClassesGroups();

} // namespace qv
