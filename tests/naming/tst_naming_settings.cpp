// The naming settings: the "Naming" node, its defaults and storage, and generated names.

#include "naming/naming_settings.h"

#include "core/knot.h"
#include "core/update_guard.h"
#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct TGenerateRow
{
    const char* Title;
    QString Base;
    bool NumberFirst;
    int Mode;
    bool Underscore;
    int Digits;
    QStringList Taken;
    QString Expected;
};

class GenerateName : public ::testing::TestWithParam<TGenerateRow>
{
};

TEST_P(GenerateName, Rows)
{
    const TGenerateRow& row = GetParam();
    TNamingSettings settings(nullptr);
    settings.FillMode()->SetValue(row.Mode);
    settings.FillUnderscore()->SetValue(row.Underscore);
    settings.FillDigits()->SetValue(row.Digits);
    EXPECT_EQ(settings.GenerateName(row.Base, row.NumberFirst, row.Taken), row.Expected) << row.Title;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GenerateName,
    ::testing::Values(
        TGenerateRow{
            "first without number", "NewElementName", false, nfmDefault, false, 1, {}, "NewElementName"},
        TGenerateRow{"second gets 2",
                     "NewElementName",
                     false,
                     nfmDefault,
                     false,
                     1,
                     {"NewElementName"},
                     "NewElementName2"},
        TGenerateRow{"number first", "NewElementName", true, nfmDefault, false, 1, {}, "NewElementName1"},
        TGenerateRow{
            "digits and underscore", "NewElementName", true, nfmDefault, true, 3, {}, "New_Element_Name_001"},
        TGenerateRow{"empty base", "", true, nfmDefault, true, 1, {}, "1"},
        TGenerateRow{"run of capitals", "ABCDef", false, nfmDefault, true, 1, {}, "ABC_Def"},
        TGenerateRow{"capitals at the end", "NameABC", false, nfmDefault, true, 1, {}, "Name_ABC"},
        TGenerateRow{"upper", "NewName", true, nfmUpper, false, 1, {}, "NEWNAME1"},
        TGenerateRow{"lower", "NewName", true, nfmLower, true, 1, {}, "new_name_1"},
        TGenerateRow{"lower camel", "NewName", true, nfmExtra, false, 1, {}, "newName1"},
        TGenerateRow{"lower camel keeps an acronym", "URLName", true, nfmExtra, false, 1, {}, "URLName1"},
        TGenerateRow{
            "taken compare with case", "Item", true, nfmDefault, false, 1, {"item1", "Item1"}, "Item2"},
        TGenerateRow{
            "skips every taken number", "L", true, nfmDefault, false, 2, {"L01", "L02", "L04"}, "L03"},
        TGenerateRow{"digits clamp to twelve", "D", true, nfmDefault, false, 40, {}, "D000000000001"}));

TEST(NamingSettings, NodeDefaultsAndStorage)
{
    TNamingSettings settings(nullptr);
    EXPECT_EQ(settings.Name(), QStringLiteral("Naming"));
    EXPECT_TRUE(settings.FillEnabled()->Value());
    EXPECT_EQ(settings.FillMode()->Value(), nfmDefault);
    EXPECT_TRUE(settings.FillNumberFirst()->Value());
    EXPECT_FALSE(settings.FillUnderscore()->Value());
    EXPECT_EQ(settings.FillDigits()->Value(), 1);
    EXPECT_EQ(settings.FillModeCaptions(),
              (QStringList{"Default", "Uppercase", "Lowercase", "lowerCamelCase"}));

    settings.FillMode()->SetValue(nfmExtra);
    settings.FillDigits()->SetValue(99);
    EXPECT_EQ(settings.FillDigits()->Value(), 12);
    settings.FillEnabled()->SetValue(false);
    TKnot knot;
    settings.SaveTo(knot);
    TKnot* node = knot.FindKnot(QStringLiteral("Naming"));
    ASSERT_NE(node, nullptr);
    ASSERT_NE(node->FindKnot(QStringLiteral("FillMode")), nullptr);
    EXPECT_EQ(node->FindKnot(QStringLiteral("FillMode"))->ReadString(QStringLiteral("Value")),
              QStringLiteral("Extra"));
    EXPECT_EQ(node->FindKnot(QStringLiteral("FillNumberFirst")), nullptr); // default: not stored

    TNamingSettings loaded(nullptr);
    loaded.LoadFrom(knot);
    EXPECT_EQ(loaded.FillMode()->Value(), nfmExtra);
    EXPECT_EQ(loaded.FillDigits()->Value(), 12);
    EXPECT_FALSE(loaded.FillEnabled()->Value());
}

TEST(NamingSettings, ExampleAndTheInstalledNode)
{
    TNamingSettings settings(nullptr);
    EXPECT_EQ(settings.ExampleNames(),
              (QStringList{"NewElementName1", "NewElementName2", "NewElementName3", "NewElementName4"}));
    settings.FillNumberFirst()->SetValue(false);
    settings.FillUnderscore()->SetValue(true);
    EXPECT_EQ(settings.ExampleNames(), (QStringList{"New_Element_Name", "New_Element_Name_2",
                                                    "New_Element_Name_3", "New_Element_Name_4"}));

    TNamingSettings* builtIn = NamingSettings();
    ASSERT_NE(builtIn, nullptr);
    {
        TNamingSettings installed(nullptr);
        SetNamingSettings(&installed);
        EXPECT_EQ(NamingSettings(), &installed);
    }
    EXPECT_EQ(NamingSettings(), builtIn); // the freed node uninstalled itself
}

} // namespace
} // namespace qv
