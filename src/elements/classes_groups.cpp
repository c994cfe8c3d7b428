#include "elements/classes_groups.h"

namespace qv {

int TClassesGroups::AddGroup()
{
    FGroups.append(TElementClassList());
    return static_cast<int>(FGroups.size()) - 1;
}

TElementClassList& TClassesGroups::GetGroup(int index)
{
    return FGroups[index];
}

const TElementClassList& TClassesGroups::GetGroup(int index) const
{
    return FGroups[index];
}

void TClassesGroups::AddGroupTo(TElementClassList& list, int index) const
{
    for (const TElementClass* cls : FGroups[index]) {
        if (!list.contains(cls))
            list.append(cls);
    }
}

void TClassesGroups::RemoveGroupFrom(TElementClassList& list, int index) const
{
    for (const TElementClass* cls : FGroups[index])
        list.removeAll(cls);
}

TClassesGroups& ApplicationClassesGroups()
{
    static TClassesGroups groups = [] {
        TClassesGroups g;
        g.AddGroup(); // cgBlockClasses
        g.AddGroup(); // cgCommentContentClasses
        g.AddGroup(); // cgInlineClasses
        g.AddGroup(); // cgConditionClasses
        g.AddGroup(); // cgSignClasses
        return g;
    }();
    return groups;
}

} // namespace qv
