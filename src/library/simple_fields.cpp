#include "library/simple_fields.h"

#include "core/strings.h"
#include "core/text_utils.h"
#include "elements/drop_down_list.h"
#include "elements/element_messages.h"
#include "library/check_box_field.h"
#include "library/color_element.h"

#include <QFontDatabase>
#include <QSet>

#include <algorithm>

namespace qv {

QV_IMPLEMENT_CLASS(TNumberField)
QV_IMPLEMENT_CLASS(TFontNameField)
QV_IMPLEMENT_CLASS(TEncodingField)
QV_IMPLEMENT_CLASS(TCustomDateTimeMaskElement)

namespace {

// The faces names may give, and the same case-folded for lookups.
struct TFontTable
{
    QStringList List;
    QSet<QString> Keys;
};

// A test's faces replace the platform's.
std::optional<TFontTable>& FontOverride()
{
    static std::optional<TFontTable> table;
    return table;
}

TFontTable BuildFontTable(const QStringList& faces)
{
    TFontTable table;
    QStringList& list = table.List;
    QSet<QString>& seen = table.Keys;
    auto add = [&](const QString& name) {
        const QString key = name.toCaseFolded();
        if (!name.isEmpty() && !seen.contains(key)) {
            seen.insert(key);
            list.append(name);
        }
    };
    for (QString face : faces) {
        // Faces of the same name from several foundries come as "Face [Foundry]".
        if (face.endsWith(u']')) {
            const qsizetype open = face.lastIndexOf(QStringLiteral(" ["));
            if (open > 0)
                face.truncate(open);
        }
        if (face.compare(QStringLiteral("Default"), Qt::CaseInsensitive) != 0)
            add(face);
    }
    add(QStringLiteral("serif"));
    add(QStringLiteral("sans-serif"));
    std::sort(list.begin(), list.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return table;
}

const TFontTable& FontTable()
{
    if (FontOverride().has_value())
        return *FontOverride();
    // Asking the platform takes a while; the installed faces do not change while the program runs.
    static const TFontTable platform = BuildFontTable(QFontDatabase::families());
    return platform;
}

void AddValueItems(TDropDownItem* root, const QStringList& values)
{
    for (const QString& value : values)
        TDropDownItem::AddItem(root, nullptr, -1, QString(), 0, value);
}

} // namespace

// TNumberField

TNumberField::TNumberField(TScheme* scheme) : TTextorElement(scheme)
{
    SetOptions(Options() | eoInline);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboFieldFrame | tboWrap240);
    SetContentOptions(tcoDigits | tcoSpecial);
}

// TFontNameField

TFontNameField::TFontNameField(TScheme* scheme) : TTextorElement(scheme)
{
    SetOptions(Options() | eoInline);
    SetVisualOptions(VisualOptions() | voHasDropDown);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboFieldFrame | tboWrap480);
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial | tcoNoLeadingSpace |
                      tcoNoTrailingSpace);
}

const QStringList& TFontNameField::FontList()
{
    return FontTable().List;
}

void TFontNameField::OverrideFontList(const std::optional<QStringList>& faces)
{
    if (faces.has_value())
        FontOverride() = BuildFontTable(*faces);
    else
        FontOverride().reset();
}

TDropDownItem* TFontNameField::FillDropDown(TDropDownItem* root)
{
    AddValueItems(root, FontList());
    return inherited::FillDropDown(root);
}

void TFontNameField::CheckContent()
{
    inherited::CheckContent();
    const QString text = GetText();
    if (text.isEmpty())
        return;
    const QSet<QString>& known = FontTable().Keys;
    const QString id = QString::number(ID());
    for (const QString& name : text.split(u',')) {
        if (!known.contains(name.toCaseFolded()))
            GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2600, {MessageValueText(name)}), id);
    }
}

// TEncodingField

TEncodingField::TEncodingField(TScheme* scheme) : TTextorElement(scheme)
{
    SetOptions(Options() | eoInline);
    SetVisualOptions(VisualOptions() | voHasDropDown | voCaseSensitiveMatch);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboFieldFrame | tboWrap240);
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial);
    SetDefaultText(QStringLiteral("UTF8"));
}

const QStringList& TEncodingField::EncodingNames()
{
    static const QStringList names = {QStringLiteral("ASCII"), QStringLiteral("BigEndianUnicode"),
                                      QStringLiteral("Unicode"), QStringLiteral("UTF7"),
                                      QStringLiteral("UTF8")};
    return names;
}

TTextEncoding TEncodingField::EncodingOfIndex(int index)
{
    static const char* const encodings[] = {"WINDOWS-1252", "UTF-16BE", "UTF-16LE", "UTF-7", "UTF-8"};
    return TTextEncoding(QByteArray(encodings[index >= 0 && index < 5 ? index : 4]));
}

int TEncodingField::EncodingIndex()
{
    const QString text = GetText();
    const QStringList& names = EncodingNames();
    for (int i = 0; i < names.size(); ++i) {
        if (names[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    }
    return 4;
}

TTextEncoding TEncodingField::GetEncoding()
{
    return EncodingOfIndex(EncodingIndex());
}

TDropDownItem* TEncodingField::FillDropDown(TDropDownItem* root)
{
    AddValueItems(root, EncodingNames());
    return inherited::FillDropDown(root);
}

void TEncodingField::CheckContent()
{
    inherited::CheckContent();
    const QString text = GetText();
    const QStringList& names = EncodingNames();
    const bool known = std::any_of(names.begin(), names.end(), [&](const QString& name) {
        return name.compare(text, Qt::CaseInsensitive) == 0;
    });
    if (!known)
        GetMessages()->AddElementsMessage(mkInvalidContent, LoadStr(2332), QString::number(ID()));
}

// TCustomDateTimeMaskElement

TCustomDateTimeMaskElement::TCustomDateTimeMaskElement(TScheme* scheme) : TTextorElement(scheme)
{
    SetVisualOptions(VisualOptions() | voHasDropDown | voCaseSensitiveMatch);
    SetBehaviourOptions(BehaviourOptions() | tboIdentifierWords | tboWrap240);
    SetContentOptions(tcoLetters | tcoDigits | tcoUnderscore | tcoSpaces | tcoSpecial);
}

const QStringList& TCustomDateTimeMaskElement::Masks()
{
    static const QStringList masks = {
        QStringLiteral("yyyy.mm.dd"),          QStringLiteral("yyyy.mm.dd hh:nn"),
        QStringLiteral("yyyy.mm.dd hh:nn:ss"), QStringLiteral("dd.mm.yy"),
        QStringLiteral("dd.mm.yy hh:nn"),      QStringLiteral("dd.mm.yy hh:nn:ss"),
        QStringLiteral("dd.mm.yyyy"),          QStringLiteral("dd.mm.yyyy hh:nn"),
        QStringLiteral("dd.mm.yyyy hh:nn:ss")};
    return masks;
}

QString TCustomDateTimeMaskElement::FormatDateTime(const QString& mask, const QDateTime& value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    struct TToken
    {
        QStringView Text;
        int Value;
        int Width; // digits at least; 0: as many as the value has
    };
    // Longer tokens first: the longest one at a place wins.
    const TToken tokens[] = {
        {u"yyyy", date.year(), 4}, {u"yy", date.year() % 100, 2}, {u"mm", date.month(), 2},
        {u"m", date.month(), 0},   {u"dd", date.day(), 2},        {u"d", date.day(), 0},
        {u"hh", time.hour(), 2},   {u"h", time.hour(), 0},        {u"nn", time.minute(), 2},
        {u"n", time.minute(), 0},  {u"ss", time.second(), 2},     {u"s", time.second(), 0},
    };
    QString result;
    result.reserve(mask.size() + 8);
    qsizetype i = 0;
    while (i < mask.size()) {
        const QStringView rest = QStringView(mask).mid(i);
        const TToken* found = nullptr;
        for (const TToken& token : tokens) {
            if (rest.startsWith(token.Text)) {
                found = &token;
                break;
            }
        }
        if (found == nullptr) {
            result += mask[i++];
            continue;
        }
        result += QString::number(found->Value).rightJustified(found->Width, u'0');
        i += found->Text.size();
    }
    return result;
}

QString TCustomDateTimeMaskElement::FormatValue(const QDateTime& value)
{
    return FormatDateTime(GetText(), value);
}

TDropDownItem* TCustomDateTimeMaskElement::FillDropDown(TDropDownItem* root)
{
    AddValueItems(root, Masks());
    return inherited::FillDropDown(root);
}

void TCustomDateTimeMaskElement::InitializeNew(TPaletteItem* item)
{
    inherited::InitializeNew(item);
    SetText(Masks()[2]);
}

// Registration

void RegisterSimpleFields()
{
    static const bool registered = [] {
        // The classes become known by name when their metaclasses are first asked for.
        const TMetaClass* const classes[] = {
            TCheckBoxField::StaticClass(),    TCheckBoxOperation::StaticClass(),
            TNumberField::StaticClass(),      TFontNameField::StaticClass(),
            TEncodingField::StaticClass(),    TCustomDateTimeMaskElement::StaticClass(),
            TColorElement::StaticClass(),     TColorField::StaticClass(),
            TColorDropDownItem::StaticClass()};
        (void)classes;
        ChooseColorPaletteItem();
        return true;
    }();
    (void)registered;
}

} // namespace qv
