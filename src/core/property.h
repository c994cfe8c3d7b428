#pragma once

#include "core/node.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace qv {

class TKnot;

// Tree messages of the settings tree (TNode::HandleMessage).
enum TPropertyMessage : int
{
    pmChanged = 1,           // a value changed; sent up from the property whose value changed
    pmResetOnFirstStart = 2, // the settings file did not exist: every setting took its default
};

// Notification kinds of properties (TItfObject::Notify).
enum TPropertyNotify : int
{
    pnChanged = 1, // this property or one below it changed (once per closed update bracket)
};

// Options of a property. Settings files depend on them; keep the numbers.
enum TPropertyOption : uint16_t
{
    poWriteDefault = 0x01,  // saved even when the value is the default
    poAttribute = 0x02,     // kept as an attribute `Name` of the parent's knot, not as a child knot
    poPathDelimiter = 0x04, // strings: a non-empty value ends with "/"
    poTrimLeft = 0x08,      // strings: characters up to the space are removed at the start
    poTrimRight = 0x10,     // strings: the same at the end
    poCommaText = 0x40,     // string lists: one comma-separated text instead of lines
};

// A node of the settings tree: a named group of properties that saves itself into knots and tells
// its listeners when something below it changed.
//
// A value change sends pmChanged up the tree; every property on the way turns it into Notify(pnChanged)
// to its handlers, unless it is inside an update bracket (BeginUpdate/EndUpdate, or TUpdateGuard):
// then it stays silent and notifies once when its outermost bracket closes, whether or not anything
// changed. Listeners therefore register on the group that interests them.
//
// The children of a property are properties. Used from the user-interface thread only.
class TProperty : public TNode
{
    QV_CLASS(TProperty, TNode)

public:
    TProperty(TProperty* parent, const QString& name, uint16_t options = 0);

    const QString& Name() const { return FName; }
    uint16_t PropertyOptions() const { return FPropertyOptions; }
    void SetPropertyOptions(uint16_t value) { FPropertyOptions = value; }
    int UpdateCount() const { return FUpdateCount; }

    void BeginUpdate();
    void EndUpdate();

    // Silent while an update bracket is open.
    void Notify(int notify, intptr_t param1 = 0, intptr_t param2 = 0) override;
    // Turns pmChanged into Notify(pnChanged).
    bool HandleMessage(int msg, void* param, void* data) override;

    // Loads from the child knot `Name` of `parentKnot`, or resets to defaults when it is missing.
    virtual void LoadFrom(TKnot& parentKnot);
    // Saves into the child knot `Name` of `parentKnot` (found or created).
    virtual void SaveTo(TKnot& parentKnot) const;
    // In an update bracket: the value (when `source` is of the same kind), then each child from the
    // child of `source` at the same position.
    virtual void Assign(const TProperty& source);
    // In an update bracket: LoadFrom(knot) on every child.
    virtual void LoadFromKnot(TKnot& knot);
    // SaveTo(knot) on every child.
    virtual void SaveToKnot(TKnot& knot) const;
    // Every value below (and of) this property back to its default.
    virtual void Reset();

    // The child property named `name`, or nullptr.
    TProperty* FindProperty(const QString& name) const;

protected:
    // Sends pmChanged up through this property and its ancestors.
    void Changed();
    // Copies the value of `source` when it is a property of the same kind; groups have none.
    virtual void AssignValue(const TProperty& source);

private:
    QString FName;
    uint16_t FPropertyOptions = 0;
    int FUpdateCount = 0;
};

// A property with one value and a default. Saved only when the value is not the default (or with
// poWriteDefault): as the attribute "Value" of its own knot, or with poAttribute as the attribute
// `Name` of the parent's knot.
class TOneValueProperty : public TProperty
{
    QV_CLASS(TOneValueProperty, TProperty)

public:
    using TProperty::TProperty;

    virtual bool IsDefault() const = 0;
    // Takes the value from attribute `attributeName` of `knot`; a missing or malformed value gives
    // the default.
    virtual void ReadValue(TKnot& knot, const QString& attributeName) = 0;
    virtual void WriteValue(TKnot& knot, const QString& attributeName) const = 0;

    void LoadFrom(TKnot& parentKnot) override;
    void SaveTo(TKnot& parentKnot) const override;
    void LoadFromKnot(TKnot& knot) override;
    void SaveToKnot(TKnot& knot) const override;
    void Reset() override;

protected:
    virtual void ResetValue() = 0;
};

class TBooleanProperty : public TOneValueProperty
{
    QV_CLASS(TBooleanProperty, TOneValueProperty)

public:
    TBooleanProperty(TProperty* parent, const QString& name, bool def, uint16_t options = 0);

    bool Value() const { return FValue; }
    void SetValue(bool value);
    bool Default() const { return FDefault; }

    bool IsDefault() const override { return FValue == FDefault; }
    void ReadValue(TKnot& knot, const QString& attributeName) override;
    void WriteValue(TKnot& knot, const QString& attributeName) const override;

protected:
    void ResetValue() override { SetValue(FDefault); }
    void AssignValue(const TProperty& source) override;

private:
    bool FValue;
    bool FDefault;
};

// An integer; when minimum and maximum differ, every assignment is limited to them. A stored value
// outside them loads as the default.
class TIntegerProperty : public TOneValueProperty
{
    QV_CLASS(TIntegerProperty, TOneValueProperty)

public:
    TIntegerProperty(TProperty* parent, const QString& name, int def, int min = 0, int max = 0,
                     uint16_t options = 0);

    int Value() const { return FValue; }
    void SetValue(int value);
    int Default() const { return FDefault; }
    int Min() const { return FMin; }
    int Max() const { return FMax; }

    bool IsDefault() const override { return FValue == FDefault; }
    void ReadValue(TKnot& knot, const QString& attributeName) override;
    void WriteValue(TKnot& knot, const QString& attributeName) const override;

protected:
    void ResetValue() override { SetValue(FDefault); }
    void AssignValue(const TProperty& source) override;

private:
    int FValue;
    int FDefault;
    int FMin;
    int FMax;
};

// A string; poPathDelimiter, poTrimLeft and poTrimRight shape every assigned and every loaded value
// (and the default). An empty value gets no path delimiter: it means "not set", not the root folder.
class TStringProperty : public TOneValueProperty
{
    QV_CLASS(TStringProperty, TOneValueProperty)

public:
    TStringProperty(TProperty* parent, const QString& name, const QString& def = QString(),
                    uint16_t options = 0);

    const QString& Value() const { return FValue; }
    void SetValue(const QString& value);
    const QString& Default() const { return FDefault; }

    bool IsDefault() const override { return FValue == FDefault; }
    void ReadValue(TKnot& knot, const QString& attributeName) override;
    void WriteValue(TKnot& knot, const QString& attributeName) const override;

protected:
    void ResetValue() override { SetValue(FDefault); }
    void AssignValue(const TProperty& source) override;

private:
    QString Shaped(QString value) const;

    QString FValue;
    QString FDefault;
};

// A list of strings, empty by default; every change of the list is a change of the property.
// Stored as lines (each followed by CR LF), or with poCommaText as one comma text.
class TStringListProperty : public TOneValueProperty
{
    QV_CLASS(TStringListProperty, TOneValueProperty)

public:
    TStringListProperty(TProperty* parent, const QString& name, uint16_t options = 0);

    const QStringList& Value() const { return FValue; }
    void SetValue(const QStringList& value);
    void Append(const QString& item);
    void Insert(qsizetype index, const QString& item);
    void RemoveAt(qsizetype index);
    void Replace(qsizetype index, const QString& item);
    void Clear();

    bool IsDefault() const override { return FValue.isEmpty(); }
    void ReadValue(TKnot& knot, const QString& attributeName) override;
    void WriteValue(TKnot& knot, const QString& attributeName) const override;

    // The stored text of a list, and back.
    QString ListText(const QStringList& items) const;
    QStringList ListFromText(const QString& text) const;

protected:
    void ResetValue() override { SetValue(QStringList()); }
    void AssignValue(const TProperty& source) override;

private:
    QStringList FValue;
};

// An index into a list of names, stored by name (matched without case). The default is the index of
// the first empty name, or -1 when there is none; assignments are limited to 0 … last index.
class TEnumProperty : public TOneValueProperty
{
    QV_CLASS(TEnumProperty, TOneValueProperty)

public:
    TEnumProperty(TProperty* parent, const QString& name, const QStringList& names, uint16_t options = 0);

    int Value() const { return FValue; }
    void SetValue(int value);
    int Default() const { return FDefault; }
    const QStringList& Names() const { return FNames; }
    // The name of the value; empty for -1.
    QString ValueName() const;
    // The index of `name` compared without case, or -1.
    int IndexOfName(const QString& name) const;

    bool IsDefault() const override { return FValue == FDefault; }
    void ReadValue(TKnot& knot, const QString& attributeName) override;
    void WriteValue(TKnot& knot, const QString& attributeName) const override;

protected:
    void ResetValue() override { Store(FDefault); }
    void AssignValue(const TProperty& source) override;

private:
    void Store(int value);

    QStringList FNames;
    int FDefault;
    int FValue;
};

} // namespace qv
