#pragma once

#include "core/node.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

// The Windows resource types by their ordinal (0 to 24). Only some have elements of their own; the
// names of the others are shown to the user (without "rt") when such a resource is imported as data.
enum TResourceType : uint16_t
{
    rtUnknown0,
    rtCursorEntry,
    rtBitmap,
    rtIconEntry,
    rtMenu,
    rtDialog,
    rtString,
    rtFontDir,
    rtFont,
    rtAccelerators,
    rtRCData,
    rtMessageTable,
    rtCursor,
    rtUnknown13,
    rtIcon,
    rtUnknown15,
    rtVersion,
    rtDlgInclude,
    rtUnknown18,
    rtPlugPlay,
    rtVXD,
    rtAniCursor,
    rtAniIcon,
    rtHTML,
    rtManifest,
};

constexpr int ResourceTypeCount = rtManifest + 1;

// The name of a standard type with its "rt" prefix ("rtVersion"); empty outside 0 to 24.
QString ResourceTypeName(int type);

// A resource type or name: an ordinal (0 to 65535) or a text. Texts may be empty; an ordinal never
// compares equal to a text, even to its decimal form.
class TResourceId
{
public:
    TResourceId() = default; // the ordinal 0
    TResourceId(uint16_t ordinal) : FOrdinal(ordinal) {}
    explicit TResourceId(const QString& text) : FIsText(true), FText(text) {}

    bool IsOrdinal() const { return !FIsText; }
    bool IsText() const { return FIsText; }
    // 0 for a text.
    uint16_t Ordinal() const { return FIsText ? 0 : FOrdinal; }
    // Empty for an ordinal.
    const QString& Text() const { return FText; }
    // The decimal form of an ordinal, or the text: how the user sees the identifier.
    QString DisplayText() const;

    friend bool operator==(const TResourceId& a, const TResourceId& b)
    {
        return a.FIsText == b.FIsText && (a.FIsText ? a.FText == b.FText : a.FOrdinal == b.FOrdinal);
    }

private:
    bool FIsText = false;
    uint16_t FOrdinal = 0;
    QString FText;
};

// One resource: its identification, the header fields of a RES entry and its bytes.
class TWinResourceItem : public TNode
{
    QV_CLASS(TWinResourceItem, TNode)

    const TResourceId& ResType() const { return FResType; }
    void SetResType(const TResourceId& value) { FResType = value; }
    const TResourceId& ResName() const { return FResName; }
    void SetResName(const TResourceId& value) { FResName = value; }
    uint32_t DataVersion() const { return FDataVersion; }
    void SetDataVersion(uint32_t value) { FDataVersion = value; }
    uint16_t MemoryFlags() const { return FMemoryFlags; }
    void SetMemoryFlags(uint16_t value) { FMemoryFlags = value; }
    // A Windows language identifier; 0 is neutral.
    uint16_t LanguageId() const { return FLanguageId; }
    void SetLanguageId(uint16_t value) { FLanguageId = value; }
    uint32_t Version() const { return FVersion; }
    void SetVersion(uint32_t value) { FVersion = value; }
    uint32_t Characteristics() const { return FCharacteristics; }
    void SetCharacteristics(uint32_t value) { FCharacteristics = value; }
    const QByteArray& Data() const { return FData; }
    void SetData(const QByteArray& value) { FData = value; }

private:
    TResourceId FResType;
    TResourceId FResName;
    uint32_t FDataVersion = 0;
    uint16_t FMemoryFlags = 0x0030;
    uint16_t FLanguageId = 0;
    uint32_t FVersion = 0;
    uint32_t FCharacteristics = 0;
    QByteArray FData;
};

// An ordered list of resources; its children are TWinResourceItem nodes and nothing else.
class TWinResources : public TNode
{
    QV_CLASS(TWinResources, TNode)

    // A new item with default fields, appended or inserted before `before` (an item of this list).
    TWinResourceItem* AddItem(TWinResourceItem* before = nullptr);
    TWinResourceItem* AddItem(const TResourceId& type, const TResourceId& name, const QByteArray& data,
                              uint16_t languageId = 0);
    std::vector<TWinResourceItem*> Items() const;
    int ItemCount() const { return ChildCount(); }
    TWinResourceItem* Item(int index) const { return static_cast<TWinResourceItem*>(ChildAt(index)); }
    // The first item with this type and name (any language when `languageId` is negative), or null.
    TWinResourceItem* FindItem(const TResourceId& type, const TResourceId& name, int languageId = -1) const;
    void Clear() { DeleteChildren(); }

protected:
    void ChildInserting(TNode* child, TNode* before) override;
};

} // namespace qv
