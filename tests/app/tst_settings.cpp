#include "app/settings.h"

#include "core/knot.h"
#include "core/settings_file.h"
#include "core/strings.h"
#include "elements/log_settings.h"
#include "elements/sounds_settings.h"
#include "fields/textor_element.h"
#include "naming/naming_settings.h"
#include "textor/sheet_settings.h"

#include "support/printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray ReadAll(const QString& fileName)
{
    QFile file(fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    return file.readAll();
}

TEST(Settings, FirstStartLanguageFollowsTheUsersLocaleWhenItHasStrings)
{
    struct TRow
    {
        const char* Locale;
        QList<int> Available;
        const char* Expected;
    };
    const TRow rows[] = {
        {"de_DE", {1033, 1031}, "DEU"},
        {"de_AT", {1033, 1031}, "DEU"}, // the language counts, not the country
        {"de_DE", {1033}, "ENU"},
        {"zh_TW", {1033, 0x0404, 0x0804}, "CHT"},
        {"zh_CN", {1033, 0x0404, 0x0804}, "CHS"},
        {"nn_NO", {1033, 0x0414}, "NOR"},
        {"sw_KE", {1033, 1031}, "ENU"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(DefaultLanguageCode(QLocale(QString::fromLatin1(row.Locale)), row.Available),
                  QString::fromLatin1(row.Expected))
            << row.Locale;
}

// One value changed in every group: the file holds the groups in their order, and loading it into a
// fresh tree gives the same file again.
TEST(Settings, FileHoldsTheGroupsInOrderAndLoadsBack)
{
    TSettings settings(QStringLiteral("ENU"));
    settings.General().Language()->SetValue(QStringLiteral("DEU"));
    settings.Sheet().CaretSize().SetValue(3);
    settings.Print().FontSize().SetValue(sfsGreat);
    settings.Misc().BackupOnSave()->SetValue(false);
    settings.Sounds().Enabled()->SetValue(false);
    settings.Naming().FillMode()->SetValue(nfmExtra);
    settings.SheetForm().ShowHints()->SetValue(false);
    settings.PaletteForm().ShowCaptions()->SetValue(false);
    settings.Log().WriteHints()->SetValue(false);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("quorvane.cfg"));
    SaveSettingsFile(settings, file, QStringLiteral("quorvane"));
    TKnot saved;
    saved.LoadFromFile(file);
    QStringList groups;
    for (TKnot* group = saved.FirstKnot(); group != nullptr; group = group->NextKnot())
        groups.append(group->Name());
    EXPECT_EQ(groups, TSettings::GroupOrder().mid(0, 9));

    TSettings loaded(QStringLiteral("ENU"));
    EXPECT_EQ(LoadSettingsFile(loaded, file), slsLoaded);
    const QString again = dir.filePath(QStringLiteral("again.cfg"));
    SaveSettingsFile(loaded, again, QStringLiteral("quorvane"));
    EXPECT_EQ(ReadAll(again), ReadAll(file));
    SetInterfaceLanguage(lcidEnglish);
}

TEST(Settings, AttachedGroupsTakeTheirPlaceAndStayTheirOwners)
{
    TProperty program(nullptr, QStringLiteral("Program"));
    TProperty generation(nullptr, QStringLiteral("Generation"));
    TProperty other(nullptr, QStringLiteral("Other"));
    TProperty data(nullptr, QStringLiteral("Data"));
    {
        TSettings settings(QStringLiteral("ENU"));
        settings.Attach(&other);
        settings.Attach(&program);
        settings.Attach(&generation);
        settings.Attach(&data, &settings.Sheet());
        QStringList names;
        for (TNode* node = settings.FirstChild(); node != nullptr; node = node->NextSibling())
            names.append(static_cast<TProperty*>(node)->Name());
        EXPECT_EQ(names.mid(8), (QStringList{QStringLiteral("Log"), QStringLiteral("Generation"),
                                             QStringLiteral("Program"), QStringLiteral("Other")}));
        EXPECT_EQ(data.Parent(), &settings.Sheet());
        settings.Detach(&generation);
        EXPECT_EQ(generation.Parent(), nullptr);
    }
    // The tree let go of what it did not own.
    EXPECT_EQ(program.Parent(), nullptr);
    EXPECT_EQ(data.Parent(), nullptr);
}

TEST(Settings, InstalledTreeIsTheOneTheProgramReads)
{
    TNamingSettings* builtInNaming = NamingSettings();
    {
        TSettings settings(QStringLiteral("DEU"));
        EXPECT_EQ(InterfaceLanguage(), lcidEnglish); // a tree that is not installed switches nothing yet
        settings.Install();
        EXPECT_EQ(SoundsSettings(), &settings.Sounds());
        EXPECT_EQ(NamingSettings(), &settings.Naming());
        EXPECT_EQ(TextorSheetSettings(), &settings.Sheet());
        EXPECT_EQ(InterfaceLanguage(), 1031);

        settings.General().Language()->SetValue(QStringLiteral("RUS"));
        EXPECT_EQ(InterfaceLanguage(), 1049);
        settings.General().Language()->SetValue(QStringLiteral("XYZ"));
        EXPECT_EQ(InterfaceLanguage(), 1049);
        settings.General().Language()->SetValue(QStringLiteral("ENU"));
        EXPECT_EQ(InterfaceLanguage(), lcidEnglish);
    }
    EXPECT_EQ(SoundsSettings(), nullptr);
    EXPECT_EQ(NamingSettings(), builtInNaming);
    EXPECT_EQ(TextorSheetSettings(), nullptr);
}

} // namespace
} // namespace qv
