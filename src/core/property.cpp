#include "core/property.h"

#include "core/comma_text.h"
#include "core/knot.h"
#include "core/update_guard.h"

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TProperty)
QV_IMPLEMENT_CLASS(TOneValueProperty)
QV_IMPLEMENT_CLASS(TBooleanProperty)
QV_IMPLEMENT_CLASS(TIntegerProperty)
QV_IMPLEMENT_CLASS(TStringProperty)
QV_IMPLEMENT_CLASS(TStringListProperty)
QV_IMPLEMENT_CLASS(TEnumProperty)

namespace {

const QString& ValueAttribute()
{
    static const QString name = QStringLiteral("Value");
    return name;
}

} // namespace

// --- TProperty ----------------------------------------------------------------------------------

TProperty::TProperty(TProperty* parent, const QString& name, uint16_t options)
    : FName(name), FPropertyOptions(options)
{
    if (parent != nullptr)
        SetParent(parent);
}

void TProperty::BeginUpdate()
{
    ++FUpdateCount;
}

void TProperty::EndUpdate()
{
    Q_ASSERT(FUpdateCount > 0);
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Notify(pnChanged);
}

void TProperty::Notify(int notify, intptr_t param1, intptr_t param2)
{
    if (FUpdateCount > 0)
        return;
    CallHandlers(notify, param1, param2);
}

bool TProperty::HandleMessage(int msg, void* param, void* data)
{
    if (msg == pmChanged) {
        Notify(pnChanged);
        return true;
    }
    return TNode::HandleMessage(msg, param, data);
}

void TProperty::Changed()
{
    SendMessageUp(pmChanged);
}

void TProperty::AssignValue(const TProperty&) {}

void TProperty::LoadFrom(TKnot& parentKnot)
{
    if (TKnot* knot = parentKnot.FindKnot(FName))
        LoadFromKnot(*knot);
    else
        Reset();
}

void TProperty::SaveTo(TKnot& parentKnot) const
{
    SaveToKnot(*parentKnot.GetKnot(FName));
}

void TProperty::Assign(const TProperty& source)
{
    if (&source == this)
        return;
    TUpdateGuard<TProperty> guard(this);
    AssignValue(source);
    const TNode* from = source.FirstChild();
    for (TNode* child = FirstChild(); child != nullptr && from != nullptr; child = child->NextSibling()) {
        static_cast<TProperty*>(child)->Assign(*static_cast<const TProperty*>(from));
        from = from->NextSibling();
    }
}

void TProperty::LoadFromKnot(TKnot& knot)
{
    TUpdateGuard<TProperty> guard(this);
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling())
        static_cast<TProperty*>(child)->LoadFrom(knot);
}

void TProperty::SaveToKnot(TKnot& knot) const
{
    for (const TNode* child = FirstChild(); child != nullptr; child = child->NextSibling())
        static_cast<const TProperty*>(child)->SaveTo(knot);
}

void TProperty::Reset()
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling())
        static_cast<TProperty*>(child)->Reset();
}

TProperty* TProperty::FindProperty(const QString& name) const
{
    for (TNode* child = FirstChild(); child != nullptr; child = child->NextSibling()) {
        auto* property = static_cast<TProperty*>(child);
        if (property->FName == name)
            return property;
    }
    return nullptr;
}

// --- TOneValueProperty --------------------------------------------------------------------------

void TOneValueProperty::LoadFrom(TKnot& parentKnot)
{
    if (PropertyOptions() & poAttribute)
        ReadValue(parentKnot, Name());
    else
        TProperty::LoadFrom(parentKnot);
}

void TOneValueProperty::SaveTo(TKnot& parentKnot) const
{
    if (IsDefault() && !(PropertyOptions() & poWriteDefault))
        return;
    if (PropertyOptions() & poAttribute)
        WriteValue(parentKnot, Name());
    else
        TProperty::SaveTo(parentKnot);
}

void TOneValueProperty::LoadFromKnot(TKnot& knot)
{
    TUpdateGuard<TProperty> guard(this);
    ReadValue(knot, ValueAttribute());
    TProperty::LoadFromKnot(knot);
}

void TOneValueProperty::SaveToKnot(TKnot& knot) const
{
    WriteValue(knot, ValueAttribute());
    TProperty::SaveToKnot(knot);
}

void TOneValueProperty::Reset()
{
    ResetValue();
    TProperty::Reset();
}

// --- TBooleanProperty ---------------------------------------------------------------------------

TBooleanProperty::TBooleanProperty(TProperty* parent, const QString& name, bool def, uint16_t options)
    : TOneValueProperty(parent, name, options), FValue(def), FDefault(def)
{}

void TBooleanProperty::SetValue(bool value)
{
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

void TBooleanProperty::ReadValue(TKnot& knot, const QString& attributeName)
{
    SetValue(knot.ReadBool(attributeName, FDefault));
}

void TBooleanProperty::WriteValue(TKnot& knot, const QString& attributeName) const
{
    knot.WriteBool(attributeName, FValue);
}

void TBooleanProperty::AssignValue(const TProperty& source)
{
    if (const auto* other = dynamic_cast<const TBooleanProperty*>(&source))
        SetValue(other->FValue);
}

// --- TIntegerProperty ---------------------------------------------------------------------------

TIntegerProperty::TIntegerProperty(TProperty* parent, const QString& name, int def, int min, int max,
                                   uint16_t options)
    : TOneValueProperty(parent, name, options), FValue(def), FDefault(def), FMin(min), FMax(max)
{}

void TIntegerProperty::SetValue(int value)
{
    if (FMin != FMax)
        value = std::clamp(value, std::min(FMin, FMax), std::max(FMin, FMax));
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

void TIntegerProperty::ReadValue(TKnot& knot, const QString& attributeName)
{
    SetValue(knot.ReadInt(attributeName, FDefault, FMax, FMin));
}

void TIntegerProperty::WriteValue(TKnot& knot, const QString& attributeName) const
{
    knot.WriteInt(attributeName, FValue);
}

void TIntegerProperty::AssignValue(const TProperty& source)
{
    if (const auto* other = dynamic_cast<const TIntegerProperty*>(&source))
        SetValue(other->FValue);
}

// --- TStringProperty ----------------------------------------------------------------------------

TStringProperty::TStringProperty(TProperty* parent, const QString& name, const QString& def, uint16_t options)
    : TOneValueProperty(parent, name, options)
{
    FDefault = Shaped(def);
    FValue = FDefault;
}

QString TStringProperty::Shaped(QString value) const
{
    const uint16_t options = PropertyOptions();
    if (options & poTrimLeft) {
        qsizetype start = 0;
        while (start < value.size() && value[start].unicode() <= u' ')
            ++start;
        value.remove(0, start);
    }
    if (options & poTrimRight) {
        qsizetype end = value.size();
        while (end > 0 && value[end - 1].unicode() <= u' ')
            --end;
        value.truncate(end);
    }
    if ((options & poPathDelimiter) && !value.isEmpty() && !value.endsWith(u'/'))
        value += u'/';
    return value;
}

void TStringProperty::SetValue(const QString& value)
{
    QString shaped = Shaped(value);
    if (shaped == FValue)
        return;
    FValue = std::move(shaped);
    Changed();
}

void TStringProperty::ReadValue(TKnot& knot, const QString& attributeName)
{
    SetValue(knot.ReadString(attributeName, FDefault));
}

void TStringProperty::WriteValue(TKnot& knot, const QString& attributeName) const
{
    knot.WriteString(attributeName, FValue);
}

void TStringProperty::AssignValue(const TProperty& source)
{
    if (const auto* other = dynamic_cast<const TStringProperty*>(&source))
        SetValue(other->FValue);
}

// --- TStringListProperty ------------------------------------------------------------------------

TStringListProperty::TStringListProperty(TProperty* parent, const QString& name, uint16_t options)
    : TOneValueProperty(parent, name, options)
{}

void TStringListProperty::SetValue(const QStringList& value)
{
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

void TStringListProperty::Append(const QString& item)
{
    FValue.append(item);
    Changed();
}

void TStringListProperty::Insert(qsizetype index, const QString& item)
{
    FValue.insert(std::clamp<qsizetype>(index, 0, FValue.size()), item);
    Changed();
}

void TStringListProperty::RemoveAt(qsizetype index)
{
    if (index < 0 || index >= FValue.size())
        return;
    FValue.removeAt(index);
    Changed();
}

void TStringListProperty::Replace(qsizetype index, const QString& item)
{
    if (index < 0 || index >= FValue.size() || FValue[index] == item)
        return;
    FValue[index] = item;
    Changed();
}

void TStringListProperty::Clear()
{
    SetValue(QStringList());
}

QString TStringListProperty::ListText(const QStringList& items) const
{
    if (PropertyOptions() & poCommaText)
        return JoinCommaText(items);
    QString text;
    for (const QString& item : items)
        text += item + u"\r\n";
    return text;
}

// Lines end at CR LF, CR or LF; a last line without a line break counts, an empty rest does not.
QStringList TStringListProperty::ListFromText(const QString& text) const
{
    if (PropertyOptions() & poCommaText)
        return SplitCommaText(text);
    QStringList items;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        items.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        items.append(text.mid(start));
    return items;
}

void TStringListProperty::ReadValue(TKnot& knot, const QString& attributeName)
{
    if (knot.FindParam(attributeName) == nullptr) {
        SetValue(QStringList());
        return;
    }
    SetValue(ListFromText(knot.ReadString(attributeName)));
}

void TStringListProperty::WriteValue(TKnot& knot, const QString& attributeName) const
{
    knot.WriteString(attributeName, ListText(FValue));
}

void TStringListProperty::AssignValue(const TProperty& source)
{
    if (const auto* other = dynamic_cast<const TStringListProperty*>(&source))
        SetValue(other->FValue);
}

// --- TEnumProperty ------------------------------------------------------------------------------

TEnumProperty::TEnumProperty(TProperty* parent, const QString& name, const QStringList& names,
                             uint16_t options)
    : TOneValueProperty(parent, name, options), FNames(names), FDefault(int(names.indexOf(QString()))),
      FValue(FDefault)
{}

void TEnumProperty::Store(int value)
{
    if (value == FValue)
        return;
    FValue = value;
    Changed();
}

void TEnumProperty::SetValue(int value)
{
    if (FNames.isEmpty())
        return;
    Store(std::clamp(value, 0, int(FNames.size()) - 1));
}

QString TEnumProperty::ValueName() const
{
    return FValue >= 0 && FValue < FNames.size() ? FNames[FValue] : QString();
}

int TEnumProperty::IndexOfName(const QString& name) const
{
    for (qsizetype i = 0; i < FNames.size(); ++i) {
        if (FNames[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void TEnumProperty::ReadValue(TKnot& knot, const QString& attributeName)
{
    if (knot.FindParam(attributeName) == nullptr) {
        Store(FDefault);
        return;
    }
    const int index = IndexOfName(knot.ReadString(attributeName));
    Store(index >= 0 ? index : FDefault);
}

void TEnumProperty::WriteValue(TKnot& knot, const QString& attributeName) const
{
    knot.WriteString(attributeName, ValueName());
}

void TEnumProperty::AssignValue(const TProperty& source)
{
    if (const auto* other = dynamic_cast<const TEnumProperty*>(&source)) {
        if (other->FValue >= -1 && other->FValue < FNames.size())
            Store(other->FValue);
    }
}

} // namespace qv
