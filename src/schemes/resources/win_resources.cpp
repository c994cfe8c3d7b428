#include "schemes/resources/win_resources.h"

#include <stdexcept>

namespace qv {

QV_IMPLEMENT_CLASS(TWinResourceItem)
QV_IMPLEMENT_CLASS(TWinResources)

QString ResourceTypeName(int type)
{
    static const char* const names[ResourceTypeCount] = {
        "rtUnknown0",  "rtCursorEntry",  "rtBitmap",     "rtIconEntry", "rtMenu",
        "rtDialog",    "rtString",       "rtFontDir",    "rtFont",      "rtAccelerators",
        "rtRCData",    "rtMessageTable", "rtCursor",     "rtUnknown13", "rtIcon",
        "rtUnknown15", "rtVersion",      "rtDlgInclude", "rtUnknown18", "rtPlugPlay",
        "rtVXD",       "rtAniCursor",    "rtAniIcon",    "rtHTML",      "rtManifest"};
    if (type < 0 || type >= ResourceTypeCount)
        return QString();
    return QString::fromLatin1(names[type]);
}

QString TResourceId::DisplayText() const
{
    return FIsText ? FText : QString::number(FOrdinal);
}

TWinResourceItem* TWinResources::AddItem(TWinResourceItem* before)
{
    TNodePtr<TWinResourceItem> item(new TWinResourceItem());
    item->SetParent(this, before);
    return item.release(); // the list's now
}

TWinResourceItem* TWinResources::AddItem(const TResourceId& type, const TResourceId& name,
                                         const QByteArray& data, uint16_t languageId)
{
    TWinResourceItem* item = AddItem();
    item->SetResType(type);
    item->SetResName(name);
    item->SetData(data);
    item->SetLanguageId(languageId);
    return item;
}

std::vector<TWinResourceItem*> TWinResources::Items() const
{
    std::vector<TWinResourceItem*> items;
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling())
        items.push_back(static_cast<TWinResourceItem*>(node));
    return items;
}

TWinResourceItem* TWinResources::FindItem(const TResourceId& type, const TResourceId& name,
                                          int languageId) const
{
    for (TNode* node = FirstChild(); node != nullptr; node = node->NextSibling()) {
        auto* item = static_cast<TWinResourceItem*>(node);
        if (item->ResType() == type && item->ResName() == name &&
            (languageId < 0 || item->LanguageId() == languageId))
            return item;
    }
    return nullptr;
}

void TWinResources::ChildInserting(TNode* child, TNode* before)
{
    if (!IsInstanceOf(child, TWinResourceItem::StaticClass()))
        throw std::logic_error("a resource list holds resource items only");
    inherited::ChildInserting(child, before);
}

} // namespace qv
