#include "textor/sheet_theme.h"

#include "support/fixed_metrics.h"

#include "support/fake_app_folders.h"
#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

// A 20 × 10 picture: the left half red, the right half blue, with marked pixels for colours.
QImage TinyPicture()
{
    QImage picture(20, 10, QImage::Format_ARGB32);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x)
            picture.setPixel(x, y, x < 10 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    }
    picture.setPixel(19, 9, qRgba(10, 20, 30, 40));
    picture.setPixel(0, 9, qRgba(0, 0, 0, 0));
    return picture;
}

class SheetTheme : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTemp.isValid());
        Folder = FTemp.path() + QStringLiteral("/Themes");
        ASSERT_TRUE(QDir().mkpath(Folder));
    }

    void WriteTheme(const QString& folder, const QString& name, const QByteArray& text)
    {
        QFile file(folder + QLatin1Char('/') + name + QStringLiteral(".txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        ASSERT_TRUE(TinyPicture().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG"));
    }

    static bool IsBuiltIn(const TSheetTheme& theme) { return theme.Picture().size() == QSize(150, 129); }

    QString Folder;

private:
    QTemporaryDir FTemp;
};

TEST_F(SheetTheme, DefaultInAnyCaseIsTheBuiltInTheme)
{
    for (const char* name : {"Default", "default", "DEFAULT", "dEfAuLt"}) {
        auto theme = TSheetTheme::LoadTheme(QString::fromLatin1(name), Folder);
        EXPECT_TRUE(IsBuiltIn(*theme)) << name;
    }
    auto theme = TSheetTheme::LoadBuiltIn();
    EXPECT_EQ(theme->Font(stfStone).BaseSize, 11);
    EXPECT_EQ(theme->Font(stfFixed).BaseSize, 10);
    EXPECT_EQ(theme->Font(stfArt).BaseSize, 13);
    EXPECT_EQ(theme->Font(stfComment).Style, 2);
    EXPECT_EQ(theme->Element(steField).Cut, QRect(0, 29, 15, 15));
    EXPECT_EQ(theme->Element(steField).Zone, QMargins(7, 6, 7, 6));
    EXPECT_EQ(theme->Element(steDescription).BaseMargins, QMargins(-3, -5, 0, 0));
    EXPECT_EQ(theme->Element(steDescription).MouseTransparent, QMargins(8, 0, 2, 2));
    EXPECT_EQ(theme->Element(steFrameDot).FillModes.Left, fmTile);
    EXPECT_EQ(theme->Element(steFrameDot).FillModes.Client, fmLeaveOut);
    EXPECT_EQ(theme->Element(steElementCommand).ColorOver, theme->Picture().pixel(24, 3));
    EXPECT_EQ(theme->ImageSize(steErrorSign), QSize(14, 14));
    EXPECT_EQ(theme->FrameMinSize(steElement), QSize(22, 22));
    EXPECT_EQ(theme->SelectColor(), qRgba(95, 143, 216, 130));
}

TEST_F(SheetTheme, MissingUnreadableOrEscapingThemesFallBackToTheBuiltInOne)
{
    EXPECT_TRUE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Missing"), Folder)));
    // A corrupt text: text between tags, or a second root.
    WriteTheme(Folder, QStringLiteral("Text"), "<ThemeInfo>words<Field Cut=1,1,2,2/></ThemeInfo>");
    EXPECT_TRUE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Text"), Folder)));
    WriteTheme(Folder, QStringLiteral("Roots"), "<ThemeInfo/><ThemeInfo/>");
    EXPECT_TRUE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Roots"), Folder)));
    WriteTheme(Folder, QStringLiteral("Other"), "<Something/>");
    EXPECT_TRUE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Other"), Folder)));
    // A theme beside the folder is never reached through the name.
    WriteTheme(Folder + QStringLiteral("/.."), QStringLiteral("Outside"), "<ThemeInfo/>");
    for (const char* name : {"../Outside", "..", "a/../../Outside", "..\\Outside", "/etc/passwd", ""})
        EXPECT_TRUE(IsBuiltIn(*TSheetTheme::LoadTheme(QString::fromLatin1(name), Folder))) << name;
    WriteTheme(Folder, QStringLiteral("Good"), "<ThemeInfo/>");
    EXPECT_FALSE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Good"), Folder)));
}

TEST_F(SheetTheme, WithoutAFolderNamedThemesComeFromTheFolderBesideTheProgram)
{
    TFakeAppFolders folders(Folder);
    ASSERT_TRUE(QDir().mkpath(AppFolder(afThemes)));
    WriteTheme(AppFolder(afThemes), QStringLiteral("Beside"), "<ThemeInfo/>");
    EXPECT_FALSE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Beside"))));
    EXPECT_TRUE(IsBuiltIn(*TSheetTheme::LoadTheme(QStringLiteral("Beside"), Folder)));
}

TEST_F(SheetTheme, ValuesAreReadClampedAndCutsAreInclusive)
{
    TSheetTheme theme;
    ASSERT_TRUE(theme.LoadFromText(
        QStringLiteral(
            "<?xml version=\"1.0\"?>\r\n"
            "<ThemeInfo SelectColor=19,9 DisableColor=500,-3>\r\n"
            "\t<Field Cut=2,1,5,3 Zone=1,2 Padding=9,-5,20000,x Margins=-20000,1,2,3 ColorOver=19,9"
            " FillModeLeft=1 FillModeClient=7/>\r\n"
            "\t<Collapsed Cut=12,0,14,4 Zone=3,3,3,3/>\r\n"
            "\t<ElementFont Name=\"Missing Face, Fake Face\" Size=0 Bold=1 Underline=1 Color=15,2 "
            "SecondColor=0,9/>\r\n"
            "</ThemeInfo>\r\n"),
        TinyPicture()));
    const TSheetThemeElementData& field = theme.Element(steField);
    EXPECT_EQ(field.Cut, QRect(2, 1, 4, 3));
    EXPECT_EQ(field.Zone, QMargins(1, 2, 0, 0));
    EXPECT_EQ(field.BasePadding, QMargins(9, 0, 10000, 0));
    EXPECT_EQ(field.BaseMargins, QMargins(-10000, 1, 2, 3));
    EXPECT_EQ(field.ColorOver, qRgba(10, 20, 30, 40));
    EXPECT_EQ(field.FillModes.Left, fmTile);
    EXPECT_EQ(field.FillModes.Client, fmStretch);
    // Images have no zones.
    EXPECT_EQ(theme.Element(steCollapsed).Zone, QMargins());
    EXPECT_EQ(theme.Element(steCollapsed).Cut, QRect(12, 0, 3, 5));
    // Colour coordinates are clamped to the picture; absent colours keep their defaults.
    EXPECT_EQ(theme.SelectColor(), qRgba(10, 20, 30, 40));
    EXPECT_EQ(theme.DisableColor(), qRgb(0, 0, 255));
    EXPECT_EQ(theme.SelectInactiveColor(), qRgba(237, 237, 230, 185));
    const TSheetThemeFontData& stone = theme.Font(stfStone);
    // No face installed: the platform default; size 0: the default size.
    EXPECT_EQ(stone.FontName, QString());
    EXPECT_EQ(stone.BaseSize, 8);
    EXPECT_EQ(stone.Style, 1 | 4);
    EXPECT_EQ(stone.Color, MakeColor(0, 0, 255));
    // Fully transparent black is no shadow.
    EXPECT_EQ(stone.SecondColor, clNone);
    EXPECT_EQ(theme.Font(stfValue).Color, MakeColor(0, 0, 0));
}

TEST_F(SheetTheme, MissingNodesFollowTheirFallbackChains)
{
    TSheetTheme theme;
    ASSERT_TRUE(theme.LoadFromText(QStringLiteral("<ThemeInfo><Field Cut=1,1,3,3/><Collapsed Cut=5,5,6,6/>"
                                                  "<Element Cut=7,0,8,1/></ThemeInfo>"),
                                   TinyPicture()));
    const QRect field(1, 1, 3, 3);
    for (TSheetThemeElement element :
         {steName, steNamePrivate, steNamePublic, steContainer, steImageContainer})
        EXPECT_EQ(theme.Element(element).Cut, field) << SheetThemeElementNode(element).toStdString();
    for (TSheetThemeElement element : {steCollapsedData, steLogicFrameCollapsed, steLogicFrameCollapsedData})
        EXPECT_EQ(theme.Element(element).Cut, QRect(5, 5, 2, 2))
            << SheetThemeElementNode(element).toStdString();
    for (TSheetThemeElement element : {steUnaccepted, steElementCommand, steLogicFrame})
        EXPECT_EQ(theme.Element(element).Cut, QRect(7, 0, 2, 2))
            << SheetThemeElementNode(element).toStdString();
    // A node that is missing with no fallback is empty: its cut of zeros stands for the whole picture.
    EXPECT_EQ(theme.Element(steLine).Cut, QRect(0, 0, 20, 10));
    EXPECT_EQ(theme.Element(steLine).Padding, QMargins());
}

TEST_F(SheetTheme, ScalingTruncatesEachValue)
{
    auto theme = TSheetTheme::LoadBuiltIn();
    theme->ApplyScale(2, 140);
    EXPECT_EQ(theme->Font(stfValue).Size, 13);
    EXPECT_EQ(theme->Font(stfValue).BaseSize, 11);
    EXPECT_EQ(theme->Element(steField).Padding, QMargins(12, 1, 12, 1));
    // -3 × 140 div 100 = -4, -5 × 140 div 100 = -7 (towards zero).
    EXPECT_EQ(theme->Element(steDescription).Margins, QMargins(-4, -7, 0, 0));
    EXPECT_EQ(theme->Element(steCollapsed).Margins, QMargins(-2, -2, -2, -2));
    EXPECT_EQ(theme->ElementSpacing(), QSize(4, 4));
    EXPECT_EQ(theme->ElementInset(), QMargins(4, 0, 4, 0));
    // Icons: the field's vertical margins, 3/4/5 at the sides; spacing from the field's left padding.
    EXPECT_EQ(theme->Image(stiChar).BaseMargins, QMargins(3, 4, 3, 4));
    EXPECT_EQ(theme->Image(stiLarge).BaseMargins, QMargins(5, 4, 5, 4));
    EXPECT_EQ(theme->Image(stiChar).BaseSpacing, 3);
    EXPECT_EQ(theme->Image(stiChar).Spacing, 4);
    // Cut and zone are not scaled.
    EXPECT_EQ(theme->Element(steField).Zone, QMargins(7, 6, 7, 6));
    const int generation = theme->Generation();
    theme->ApplyScale(0, 100);
    EXPECT_NE(theme->Generation(), generation);
    EXPECT_EQ(theme->Element(steField).Padding, QMargins(9, 1, 9, 1));
}

// The built-in picture reserves an area per element; colour pixels lie outside all of them.
TEST_F(SheetTheme, BuiltInColourPixelsLieOutsideEveryCut)
{
    auto theme = TSheetTheme::LoadBuiltIn();
    const QPoint pixels[] = {{24, 0},  {24, 1}, {24, 2}, {24, 3}, {16, 29}, {16, 30}, {16, 31},
                             {16, 32}, {26, 0}, {27, 0}, {28, 0}, {29, 0},  {30, 0},  {31, 0}};
    for (int e = 0; e < sheetThemeElementCount; ++e) {
        const QRect cut = theme->Element(TSheetThemeElement(e)).Cut;
        ASSERT_FALSE(cut.isEmpty()) << e;
        if (cut == theme->Picture().rect())
            continue; // frames that draw nothing
        for (QPoint pixel : pixels)
            EXPECT_FALSE(cut.contains(pixel)) << SheetThemeElementNode(TSheetThemeElement(e)).toStdString();
        EXPECT_NE(
            qAlpha(theme->Picture().pixel(cut.center())) + qAlpha(theme->Picture().pixel(cut.topLeft())), 0)
            << "nothing drawn for " << SheetThemeElementNode(TSheetThemeElement(e)).toStdString();
    }
    for (QPoint pixel : pixels)
        EXPECT_NE(qAlpha(theme->Picture().pixel(pixel)), 0);
    for (TSheetThemeElement frame :
         {steSheet, steCheckBox, steSubstitutionHorzFirst, steSubstitutionVertFirst})
        EXPECT_EQ(theme->Element(frame).FillModes.Client, fmLeaveOut);
}

TEST_F(SheetTheme, TintedCopiesAreMadeOncePerColour)
{
    TSheetTheme theme;
    ASSERT_TRUE(
        theme.LoadFromText(QStringLiteral("<ThemeInfo><Field Cut=8,0,11,1/></ThemeInfo>"), TinyPicture()));
    QRect rect;
    const QImage& first = theme.Source(steField, qRgba(0, 255, 0, 255), rect);
    EXPECT_EQ(rect, QRect(0, 0, 4, 2));
    EXPECT_EQ(first.pixel(0, 0), qRgb(0, 255, 0));
    const QImage& again = theme.Source(steField, qRgba(0, 255, 0, 255), rect);
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(theme.Element(steField).TintedCopies.size(), 1u);
    const QImage& plain = theme.Source(steField, 0, rect);
    EXPECT_EQ(rect, QRect(8, 0, 4, 2));
    EXPECT_EQ(plain.size(), QSize(20, 10));
}

TEST_F(SheetTheme, TheFirstInstalledFaceWins)
{
    auto context = std::make_unique<TFixedMeasuringContext>();
    context->SetInstalled({QStringLiteral("Second Face"), QStringLiteral("Third")});
    TScopedMeasuringContext scope(std::move(context));
    EXPECT_EQ(TSheetTheme::FirstInstalledFace(QStringLiteral("First, second face ,Third")),
              QStringLiteral("second face"));
    EXPECT_EQ(TSheetTheme::FirstInstalledFace(QStringLiteral("None, Other")), QString());
    EXPECT_EQ(TSheetTheme::FirstInstalledFace(QString()), QString());
}

} // namespace
} // namespace qv
