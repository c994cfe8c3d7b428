#pragma once

#include "core/text_encoding.h"
#include "fields/textor_element.h"

#include <QDateTime>
#include <QStringList>

#include <optional>

namespace qv {

// A number typed as text; its owner adds tcoInteger or tcoFloat, and the text field's check then
// parses it the same way in every locale.
class TNumberField : public TTextorElement
{
    QV_CLASS(TNumberField, TTextorElement)

    explicit TNumberField(TScheme* scheme);
};

// Font faces, comma-separated; every face must be installed. The drop-down list offers the installed
// faces.
class TFontNameField : public TTextorElement
{
    QV_CLASS(TFontNameField, TTextorElement)

    explicit TFontNameField(TScheme* scheme);

    // The faces a name may give: the platform's installed faces without "Default" (a duplicate's
    // " [foundry]" suffix dropped), plus "serif" and "sans-serif"; sorted ignoring case, each once.
    // Read from the platform once. User-interface thread only.
    static const QStringList& FontList();
    // Replaces the platform's faces by `faces` (before "serif" and "sans-serif" are added); an empty
    // optional goes back to the platform. For tests.
    static void OverrideFontList(const std::optional<QStringList>& faces);

    TDropDownItem* FillDropDown(TDropDownItem* root) override;
    // Reports every name of the text (split at ",", not trimmed) that is not in the font list.
    void CheckContent() override;
};

// One of five names of a text encoding, "UTF8" by default; only these names match the list.
class TEncodingField : public TTextorElement
{
    QV_CLASS(TEncodingField, TTextorElement)

    explicit TEncodingField(TScheme* scheme);

    // The names in index order: "ASCII", "BigEndianUnicode", "Unicode", "UTF7", "UTF8".
    static const QStringList& EncodingNames();
    // The encoding of an index of EncodingNames: "ASCII" is the platform's single-byte code page
    // (windows-1252 here: Linux has no such setting), the two Unicode names UTF-16 without a byte
    // order mark.
    static TTextEncoding EncodingOfIndex(int index);

    // The index whose name equals the text ignoring case; 4 (UTF-8) for any other text.
    int EncodingIndex();
    TTextEncoding GetEncoding();

    TDropDownItem* FillDropDown(TDropDownItem* root) override;
    void CheckContent() override;
};

// A date-time mask: "yyyy" and "yy" years, "mm"/"m" months, "dd"/"d" days, "hh"/"h" hours on a
// 24-hour clock, "nn"/"n" minutes, "ss"/"s" seconds; the longest of these at each place is taken,
// every other character stands for itself. A new one holds "yyyy.mm.dd hh:nn:ss".
class TCustomDateTimeMaskElement : public TTextorElement
{
    QV_CLASS(TCustomDateTimeMaskElement, TTextorElement)

    explicit TCustomDateTimeMaskElement(TScheme* scheme);

    // The nine masks the list offers.
    static const QStringList& Masks();
    static QString FormatDateTime(const QString& mask, const QDateTime& value);

    // The value formatted with the field's text as the mask.
    QString FormatValue(const QDateTime& value);

    TDropDownItem* FillDropDown(TDropDownItem* root) override;
    void InitializeNew(TPaletteItem* item) override;
};

// Makes the simple field classes known and adds the "Choose Color" item to the palette. Called once at
// start-up, before any document exists; later calls do nothing. User-interface thread only.
void RegisterSimpleFields();

} // namespace qv
