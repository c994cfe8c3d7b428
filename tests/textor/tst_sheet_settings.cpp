#include "textor/rich_text_attributes.h"
#include "textor/sheet_settings.h"

#include "core/knot.h"

#include "support/fixed_metrics.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SheetSettings, DefaultsAndStoredNames)
{
    TSheetSettings settings;
    EXPECT_EQ(settings.Name(), QStringLiteral("Sheet"));
    EXPECT_EQ(settings.Theme().Value(), QStringLiteral("Default"));
    EXPECT_EQ(settings.FontSize().Value(), sfsNormal);
    EXPECT_FALSE(settings.NonPrintingCharacters().Value());
    EXPECT_EQ(settings.CaretSize().Value(), 1);
    EXPECT_TRUE(settings.FocusNew().Value());
    EXPECT_TRUE(settings.DropDownOnFocusNew().Value());
    EXPECT_TRUE(settings.IncreaseWorkspaceHeight().Value());
    settings.CaretSize().SetValue(50);
    EXPECT_EQ(settings.CaretSize().Value(), 20);
    settings.CaretSize().SetValue(0);
    EXPECT_EQ(settings.CaretSize().Value(), 1);

    settings.FontSize().SetValue(sfsLarge);
    settings.NonPrintingCharacters().SetValue(true);
    settings.Theme().SetValue(QStringLiteral("Dark"));
    TKnot root(QStringLiteral("app"));
    settings.SaveTo(root);
    TKnot* sheet = root.FindKnot(QStringLiteral("Sheet"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->FindKnot(QStringLiteral("FontSize"))->ReadString(QStringLiteral("Value")),
              QStringLiteral("Large"));
    TSheetSettings loaded;
    loaded.LoadFrom(root);
    EXPECT_EQ(loaded.FontSize().Value(), sfsLarge);
    EXPECT_EQ(loaded.Theme().Value(), QStringLiteral("Dark"));
    EXPECT_TRUE(loaded.NonPrintingCharacters().Value());
    EXPECT_EQ(loaded.CaretSize().Value(), 1);
}

TEST(SheetSettings, PrintDefaultsAndLimits)
{
    TPrintSettings print;
    EXPECT_EQ(print.Name(), QStringLiteral("Print"));
    EXPECT_EQ(print.Theme().Value(), QStringLiteral("Default"));
    EXPECT_EQ(print.FontSize().Value(), sfsNormal);
    EXPECT_EQ(print.Scale().Value(), 50);
    print.Scale().SetValue(900);
    EXPECT_EQ(print.Scale().Value(), 500);
    int delta = 0;
    int percent = 0;
    SheetFontScale(sfsGreat, delta, percent);
    EXPECT_EQ(delta, 4);
    EXPECT_EQ(percent, 180);
}

TEST(SheetSettings, ThemeAndFontSizeChangesDropTheCaches)
{
    TScopedMeasuringContext scope(std::make_unique<TFixedMeasuringContext>());
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QImage picture(4, 4, QImage::Format_ARGB32);
    picture.fill(qRgb(9, 9, 9));
    ASSERT_TRUE(picture.save(temp.path() + QStringLiteral("/Small.png"), "PNG"));
    QFile text(temp.path() + QStringLiteral("/Small.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("<ThemeInfo><CodeFont Size=20 Color=1,1/></ThemeInfo>");
    text.close();

    TSheetSettings settings;
    settings.SetThemesFolder(temp.path());
    auto* value = static_cast<TRichTextAttributes*>(settings.FontAttributes(stfValue));
    EXPECT_EQ(value->Size(), 11);
    EXPECT_EQ(settings.FontAttributes(stfValue), value);
    EXPECT_EQ(settings.FontAttributes(stfValue)->RefCount(), value->RefCount());
    settings.FontSize().SetValue(sfsLarge);
    value = static_cast<TRichTextAttributes*>(settings.FontAttributes(stfValue));
    EXPECT_EQ(value->Size(), 13);
    EXPECT_EQ(settings.SheetTheme().Element(steField).Padding.left(), 12);
    EXPECT_EQ(settings.ScalePercent(), 140);
    settings.Theme().SetValue(QStringLiteral("Small"));
    value = static_cast<TRichTextAttributes*>(settings.FontAttributes(stfValue));
    EXPECT_EQ(value->Size(), 22);
    EXPECT_EQ(value->Color(), MakeColor(9, 9, 9));
    EXPECT_EQ(static_cast<TRichTextAttributes*>(settings.FontAttributes(stfFixed))->Pitch(), fpFixed);
    settings.Theme().SetValue(QStringLiteral("../Small"));
    EXPECT_EQ(settings.SheetTheme().Picture().size(), QSize(150, 129));
}

} // namespace
} // namespace qv
