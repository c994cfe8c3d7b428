// Simple value fields: the check box's storage and undo, the checks of number, font, encoding and
// colour texts, date-time masks, the colour list and dialog, and one document holding them all.

#include "core/knot.h"
#include "core/strings.h"
#include "core/text_utils.h"
#include "core/undo_redo.h"
#include "elements/drop_down_list.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "library/check_box_field.h"
#include "library/color_element.h"
#include "library/simple_fields.h"
#include "textor/canvas.h"
#include "textor/qt_colors.h"
#include "textor/sheet_settings.h"

#include "support/fake_user_interface.h"
#include "support/printers.h"
#include "support/textor_fakes.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

namespace qv {

// A document root holding one field of each kind as parts: inline ones as attributes of its node,
// "Strike" in a node of its own.
class TFieldsTestRoot : public TVisualElement
{
    QV_CLASS(TFieldsTestRoot, TVisualElement)

    explicit TFieldsTestRoot(TScheme* scheme) : TVisualElement(scheme)
    {
        Bold = CreatePart<TCheckBoxField>();
        Bold->SetCaption(QStringLiteral("bold"));
        Bold->SetCaptionFlags(cbfCaptionWhenChecked);
        Wrap = CreatePart<TCheckBoxField>();
        Wrap->SetDefaultChecked(true);
        Strike = CreatePart<TCheckBoxField>();
        Strike->SetOptions(Strike->Options() & ~eoInline);
        Size = CreatePart<TNumberField>();
        Size->SetContentOptions(Size->ContentOptions() | tcoFloat);
        Face = CreatePart<TFontNameField>();
        Encoding = CreatePart<TEncodingField>();
        Mask = CreatePart<TCustomDateTimeMaskElement>();
        Color = CreatePart<TColorField>();
        for (TNode* part = FirstChild(); part != nullptr; part = part->NextSibling())
            static_cast<TVisualElement*>(part)->SetVisualParent(this);
    }

    QString GetPartKnotName(TElement* part, uint8_t filerMode) override
    {
        const std::pair<TElement*, const char*> names[] = {
            {Bold, "Bold"}, {Wrap, "Wrap"},         {Strike, "Strike"}, {Size, "Size"},
            {Face, "Face"}, {Encoding, "Encoding"}, {Mask, "Mask"},     {Color, "Color"}};
        for (const auto& [element, name] : names) {
            if (element == part)
                return QString::fromLatin1(name);
        }
        return inherited::GetPartKnotName(part, filerMode);
    }

    TCheckBoxField* Bold;
    TCheckBoxField* Wrap;
    TCheckBoxField* Strike;
    TNumberField* Size;
    TFontNameField* Face;
    TEncodingField* Encoding;
    TCustomDateTimeMaskElement* Mask;
    TColorField* Color;
};
QV_IMPLEMENT_CLASS(TFieldsTestRoot)

namespace {

class SimpleFields : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterSimpleFields();
        TFontNameField::OverrideFontList(QStringList{QStringLiteral("Arial"), QStringLiteral("Tahoma")});
        Scheme.SetUndoRedo(&Undo);
        Sheet.SetPageSize(QSize(800, 600));
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 600, 800);
    }
    void TearDown() override
    {
        TFontNameField::OverrideFontList(std::nullopt);
        Undo.Clear();
        Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }

    static QStringList MessageTexts(TElement* element)
    {
        QStringList texts;
        if (TElementMessages* messages = element->Messages()) {
            for (int i = 0; i < messages->Count(); ++i)
                texts.append(messages->Items(i)->GetText());
        }
        return texts;
    }

    TFakeUserInterface Ui;
    TScopedUserInterface UiScope{&Ui};
    TSheetSettings Settings;
    TScheme Scheme{TFieldsTestRoot::StaticClass(), QStringLiteral("Fields")};
    TUndoRedo Undo;
    TSheet Sheet{&Settings};
    TFieldsTestRoot* Root = static_cast<TFieldsTestRoot*>(Scheme.Root());
};

TEST_F(SimpleFields, CheckBoxReadsEmptyAsCheckedAndWritesOnlyWhatDiffersFromItsDefault)
{
    struct TRow
    {
        const char* Stored; // the attributes and content of the root node
        bool Bold, Wrap, Strike;
        const char* Saved;
    };
    // Bold is unchecked by default, Wrap checked; Strike has a node of its own.
    const TRow rows[] = {
        {"", false, true, false, ""},
        {" Bold=\"\" Wrap=\"\"><Strike Value=\"\"/></Fields", true, true, true,
         " Bold=\"1\">\r\n\t<Strike Value=\"1\"/>\r\n</Fields"},
        {" Bold=\"1\" Wrap=\"0\"", true, false, false, " Bold=\"1\" Wrap=\"0\""},
        {" Bold=\"yes\" Wrap=\"2\"><Strike Value=\"0\"/></Fields", false, true, false, ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Stored);
        TScheme scheme(TFieldsTestRoot::StaticClass(), QStringLiteral("Fields"));
        auto* root = static_cast<TFieldsTestRoot*>(scheme.Root());
        QString stored = QStringLiteral("<Fields") + QString::fromLatin1(row.Stored);
        stored += stored.endsWith(QStringLiteral("</Fields")) ? QStringLiteral(">") : QStringLiteral("/>");
        TKnot knot;
        ASSERT_TRUE(knot.LoadFromText(stored));
        scheme.LoadFromKnot(root, fmFile, &knot);
        EXPECT_EQ(root->Bold->Checked(), row.Bold);
        EXPECT_EQ(root->Wrap->Checked(), row.Wrap);
        EXPECT_EQ(root->Strike->Checked(), row.Strike);
        QString saved = QStringLiteral("<Fields FormatVersion=\"1.2\"") + QString::fromLatin1(row.Saved);
        saved +=
            saved.endsWith(QStringLiteral("</Fields")) ? QStringLiteral(">\r\n") : QStringLiteral("/>\r\n");
        EXPECT_EQ(QString::fromUtf8(scheme.SaveToBytes()).remove(QChar(0xFEFF)), saved);
    }
}

TEST_F(SimpleFields, CheckBoxTogglesUndoablyAndReadOnlyOnlyBeeps)
{
    TCheckBoxField* box = Root->Bold;
    const int collapsedWidth = box->Width();
    int key = Qt::Key_Space;
    box->KeyDown(key, Qt::NoModifier);
    EXPECT_TRUE(box->Checked());
    EXPECT_TRUE(Undo.Modified());
    EXPECT_GT(box->Width(), collapsedWidth) << "the caption appears while checked";
    box->Click();
    EXPECT_FALSE(box->Checked());
    ASSERT_TRUE(Undo.Undo());
    EXPECT_TRUE(box->Checked());
    ASSERT_TRUE(Undo.Undo());
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(box->Width(), collapsedWidth);
    ASSERT_TRUE(Undo.Redo());
    EXPECT_TRUE(box->Checked());

    box->SetVisualOptions(box->VisualOptions() | voReadOnly);
    box->Press();
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(Ui.Calls, QStringList{QStringLiteral("Beep")});
}

TEST_F(SimpleFields, ValueTextsAreCheckedAsTyped)
{
    const QLocale oldLocale;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct TRow
    {
        TTextorElement* Field;
        const char16_t* Text;
        QStringList Messages;
    };
    // Messages show their texts without the link brackets.
    const auto shown = [](QString text) {
        return text.remove(u'[').remove(u']');
    };
    const auto font = [&](const QString& name) {
        return shown(LoadStr(2600, {MessageValueText(name)}));
    };
    const auto number = [&](const QString& text) {
        return QStringList{shown(LoadStr(2388)), shown(LoadStr(2397, {MessageValueText(text)}))};
    };
    const TRow rows[] = {
        {Root->Face, u"Arial,Tahoma", {}},
        {Root->Face, u"arial,serif,sans-serif", {}},
        {Root->Face, u"Arial, Tahoma", {font(QStringLiteral(" Tahoma"))}},
        {Root->Face, u"Default,Courier", {font(QStringLiteral("Default")), font(QStringLiteral("Courier"))}},
        {Root->Encoding, u"utf8", {}},
        {Root->Encoding, u"UTF-8", {shown(LoadStr(2332))}},
        {Root->Color, u"#FF0000", {}},
        {Root->Color, u"ff0000", {}},
        {Root->Color, u"blue", {}},
        {Root->Color, u"#FF00", {shown(LoadStr(2601))}},
        {Root->Color, u"#GG0000", {shown(LoadStr(2601))}},
        // A number field allows no letters: "1e3" parses, but its "e" is reported.
        {Root->Size, u"1e3", {shown(LoadStr(2388))}},
        {Root->Size, u"-1.5E-2", {shown(LoadStr(2388))}},
        {Root->Size, u"1.5", {}},
        {Root->Size, u"1,5", {number(QStringLiteral("1,5")).last()}},
        {Root->Size, u"inf", number(QStringLiteral("inf"))},
        {Root->Size, u"nan", number(QStringLiteral("nan"))},
        {Root->Size, u"0x10", number(QStringLiteral("0x10"))},
    };
    for (const TRow& row : rows) {
        const QString text = QString::fromUtf16(row.Text);
        SCOPED_TRACE(text.toStdString());
        row.Field->ReplaceWithText(tetAll, nullptr, false, text);
        EXPECT_EQ(MessageTexts(row.Field), row.Messages);
    }
    QLocale::setDefault(oldLocale);
}

TEST_F(SimpleFields, FontListDropsDefaultAndFoundriesAndAddsGenericFaces)
{
    TFontNameField::OverrideFontList(QStringList{QStringLiteral("Tahoma"), QStringLiteral("Arial [Monotype]"),
                                                 QStringLiteral("Arial [URW]"), QStringLiteral("Default"),
                                                 QStringLiteral("courier")});
    EXPECT_EQ(TFontNameField::FontList(),
              (QStringList{QStringLiteral("Arial"), QStringLiteral("courier"), QStringLiteral("sans-serif"),
                           QStringLiteral("serif"), QStringLiteral("Tahoma")}));
}

TEST_F(SimpleFields, EncodingNamesSelectTheirEncodingAndOthersUtf8)
{
    const std::pair<const char*, const char*> rows[] = {
        {"utf8", "UTF-8"},
        {"UTF-8", "UTF-8"},
        {"", "UTF-8"},
        {"ascii", "WINDOWS-1252"},
        {"BigEndianUnicode", "UTF-16BE"},
        {"unicode", "UTF-16LE"},
        {"UTF7", "UTF-7"},
    };
    for (const auto& [text, encoding] : rows) {
        Root->Encoding->SetText(QString::fromLatin1(text));
        EXPECT_EQ(Root->Encoding->GetEncoding().Name(), QByteArray(encoding)) << text;
        EXPECT_TRUE(Root->Encoding->GetEncoding().IsValid()) << text;
    }
}

TEST_F(SimpleFields, ColourTextsParseRedFirstAndWriteNamesFirst)
{
    const std::pair<const char*, TColor> parses[] = {
        {"#FF0000", 0x0000FF},
        {"FF0000", 0x0000FF},
        {"blue", 0xFF0000},
        {"#010203", MakeColor(1, 2, 3)},
        {"aBcDeF", MakeColor(0xAB, 0xCD, 0xEF)},
        {"GRAY", 0x808080},
    };
    for (const auto& [text, color] : parses) {
        TColor value = clNone;
        EXPECT_TRUE(TColorElement::TextToColor(QString::fromLatin1(text), value)) << text;
        EXPECT_EQ(value, color) << text;
    }
    for (const char* text : {"", "#FF00000", "FF00", "#FF000G", "Reddish", "FF0000 "}) {
        TColor value = 7;
        EXPECT_FALSE(TColorElement::TextToColor(QString::fromLatin1(text), value)) << text;
        EXPECT_EQ(value, TColor(7));
    }
    EXPECT_EQ(TColorElement::ColorToText(MakeColor(255, 0, 0)), QStringLiteral("Red"));
    EXPECT_EQ(TColorElement::ColorToText(MakeColor(1, 2, 3)), QStringLiteral("#010203"));
    EXPECT_EQ(TColorElement::ColorToText(MakeColor(0xAB, 0xCD, 0xEF)), QStringLiteral("#ABCDEF"));
    EXPECT_EQ(TColorElement::ColorToText(clNone), QString());
    EXPECT_EQ(TColorElement::ColorToText(clWindowText),
              TColorElement::ColorToText(ResolveColor(clWindowText)));
}

TEST_F(SimpleFields, DateTimeMasksFormatTheirOwnTokens)
{
    const QDateTime moment(QDate(2024, 3, 7), QTime(9, 5, 2));
    const std::pair<const char*, const char*> rows[] = {
        {"yyyy.mm.dd hh:nn:ss", "2024.03.07 09:05:02"}, {"dd.mm.yy", "07.03.24"},
        {"d.m.yyyy h:n:s", "7.3.2024 9:5:2"},           {"yyy mmm", "24y 033"},
        {"Date: dd/mm, at hh", "Date: 07/03, at 09"},
    };
    for (const auto& [mask, formatted] : rows) {
        Root->Mask->SetText(QString::fromLatin1(mask));
        EXPECT_EQ(Root->Mask->FormatValue(moment), QString::fromLatin1(formatted)) << mask;
    }
    TCustomDateTimeMaskElement fresh(&Scheme);
    fresh.InitializeNewTree(nullptr);
    EXPECT_EQ(fresh.GetText(), QStringLiteral("yyyy.mm.dd hh:nn:ss"));
}

TEST_F(SimpleFields, ColourListAndDialogChangeTheTextUndoably)
{
    TColorField* field = Root->Color;
    TDropDownList list(&Sheet);
    field->FillDropDown(list.Root());
    QStringList shown;
    for (TDropDownItem* item = list.Root()->FirstItem(); item != nullptr; item = item->NextItem())
        shown.append(item->ShownText());
    ASSERT_EQ(shown.size(), 17);
    EXPECT_EQ(shown.first(), LoadStr(2604));
    EXPECT_EQ(shown[1], QStringLiteral("Black"));
    EXPECT_EQ(shown.last(), QStringLiteral("White"));
    TDropDownItem* red = list.Root()->FirstItem();
    while (red != nullptr && red->Value() != QStringLiteral("Red"))
        red = red->NextItem();
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(static_cast<TColorDropDownItem*>(red)->SwatchColor(), MakeColor(255, 0, 0));

    ASSERT_TRUE(field->SelectItem(red));
    EXPECT_EQ(field->GetColor(), MakeColor(255, 0, 0));
    Ui.ColorAnswer = MakeColor(1, 2, 3);
    ASSERT_TRUE(field->SelectItem(list.Root()->FirstItem()));
    EXPECT_EQ(field->GetText(), QStringLiteral("#010203"));
    Ui.ColorAnswer.reset();
    ASSERT_TRUE(ChooseColorPaletteItem()->Execute(field, false));
    EXPECT_EQ(field->GetText(), QStringLiteral("#010203")) << "a cancelled dialog changes nothing";
    EXPECT_EQ(Ui.Calls,
              (QStringList{QStringLiteral("ChooseColor: 0000ff"), QStringLiteral("ChooseColor: 030201")}));
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(field->GetText(), QStringLiteral("Red"));
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(field->GetText(), QString());
    EXPECT_EQ(field->GetColor(), clNone);
}

TEST_F(SimpleFields, ChooseColorIsOfferedByColourFieldsAndRefusedWhenReadOnly)
{
    QList<TPaletteItem*> items;
    Root->Size->GetPaletteItems(items);
    EXPECT_FALSE(items.contains(ChooseColorPaletteItem()));
    items.clear();
    Root->Color->GetPaletteItems(items);
    EXPECT_TRUE(items.contains(ChooseColorPaletteItem()));
    EXPECT_EQ(ChooseColorPaletteItem()->Flags(), 0x150);

    Root->Color->SetVisualOptions(Root->Color->VisualOptions() | voReadOnly);
    Ui.ColorAnswer = MakeColor(1, 2, 3);
    Root->Color->OpenDropDown();
    ASSERT_NE(Sheet.DropDown(), nullptr);
    Sheet.DropDown()->SetCurrent(Sheet.DropDown()->Root()->FirstItem());
    Sheet.CloseDropDown(true);
    ChooseColorPaletteItem()->Execute(Root->Color, false);
    EXPECT_EQ(Ui.Calls, (QStringList{QStringLiteral("Beep"), QStringLiteral("Beep")}));
    EXPECT_EQ(Root->Color->GetText(), QString());
}

TEST_F(SimpleFields, ValidColourMakesRoomForItsSwatch)
{
    TColorField* field = Root->Color;
    field->SetText(QStringLiteral("Reddish"));
    const int invalid = field->GetPadding().left();
    const int invalidWidth = field->Width();
    field->SetText(QStringLiteral("Red"));
    const int swatch = 3 * Sheet.Canvas()->ThemeTextHeight(stfValue) / 2;
    EXPECT_EQ(field->GetPadding().left(), invalid + Sheet.Canvas()->Theme().Image(stiChar).Spacing + swatch);
    EXPECT_GT(swatch, 0);
    field->SetText(QStringLiteral("Reddish"));
    EXPECT_EQ(field->Width(), invalidWidth);
}

// The document with every field set away from its default, as saving writes it.
TEST_F(SimpleFields, GoldenDocumentRoundTripsByteForByte)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/simple_fields.frt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray golden = file.readAll();

    Root->Bold->SetChecked(true);
    Root->Wrap->SetChecked(false);
    Root->Strike->SetChecked(true);
    Root->Size->SetText(QStringLiteral("12.5"));
    Root->Face->SetText(QStringLiteral("Arial,serif"));
    Root->Encoding->SetText(QStringLiteral("Unicode"));
    Root->Mask->SetText(QStringLiteral("dd.mm.yy"));
    Root->Color->SetColorUndoable(MakeColor(255, 0, 0));
    EXPECT_EQ(Scheme.SaveToBytes(), golden);

    TScheme second(TFieldsTestRoot::StaticClass(), QStringLiteral("Fields"));
    TKnot knot;
    knot.LoadFromStream(golden);
    second.LoadFromKnot(second.Root(), fmFile, &knot);
    EXPECT_EQ(second.SaveToBytes(), golden);
    EXPECT_EQ(static_cast<TFieldsTestRoot*>(second.Root())->Color->GetColor(), MakeColor(255, 0, 0));
}

} // namespace
} // namespace qv
