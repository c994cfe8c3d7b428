#include "core/property.h"

#include "core/comma_text.h"
#include "core/errors.h"
#include "core/knot.h"
#include "core/settings_file.h"
#include "core/update_guard.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace qv {
namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Counts the notifications of one property.
struct TListener
{
    explicit TListener(TProperty& property) : Property(property)
    {
        Property.AddHandler(MakeNotifyEvent<&TListener::Changed>(this));
    }
    ~TListener() { Property.RemoveHandler(MakeNotifyEvent<&TListener::Changed>(this)); }

    void Changed(TItfObject*, int notify, intptr_t, intptr_t)
    {
        if (notify == pnChanged)
            ++Count;
    }

    TProperty& Property;
    int Count = 0;
};

// A small settings tree, owned by its root as the application's is:
// Misc { BackupOnSave, UndoLimit }, Sheet { Zoom, Font, Folder, Mode, Recent, Processors }.
struct TSettings
{
    TProperty& Root = *new TProperty(nullptr, S("Settings"));
    TProperty& Misc = *new TProperty(&Root, S("Misc"));
    TBooleanProperty& BackupOnSave = *new TBooleanProperty(&Misc, S("BackupOnSave"), true);
    TIntegerProperty& UndoLimit = *new TIntegerProperty(&Misc, S("UndoLimit"), 10, 1, 20);
    TProperty& Sheet = *new TProperty(&Root, S("Sheet"));
    TIntegerProperty& Zoom = *new TIntegerProperty(&Sheet, S("Zoom"), 100);
    TStringProperty& Font =
        *new TStringProperty(&Sheet, S("Font"), S("DejaVu Sans"), poTrimLeft | poTrimRight);
    TStringProperty& Folder = *new TStringProperty(&Sheet, S("Folder"), S(""), poPathDelimiter);
    TEnumProperty& Mode = *new TEnumProperty(&Sheet, S("Mode"), {S("Page"), S(""), S("Flow")});
    TStringListProperty& Recent = *new TStringListProperty(&Sheet, S("Recent"));
    TStringListProperty& Processors = *new TStringListProperty(&Sheet, S("Processors"), poCommaText);

    ~TSettings() { Root.Free(); }
};

struct TFreeNode
{
    void operator()(TNode* node) const { node->Free(); }
};
using TOwnedProperty = std::unique_ptr<TProperty, TFreeNode>;

TEST(SettingsFile, TheExampleFileComesOutByteForByte)
{
    TSettings settings;
    settings.BackupOnSave.SetValue(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(S("app.settings"));
    SaveSettingsFile(settings.Root, path, S("app"));
    QFile golden(S(TEST_DATA_DIR "/settings/app.settings"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReadFile(path), golden.readAll());
    EXPECT_EQ(ReadFile(path),
              QByteArray("<app>\r\n\t<Misc>\r\n\t\t<BackupOnSave Value=0/>\r\n\t</Misc>\r\n</app>\r\n"));
}

TEST(SettingsFile, EveryValueComesBack)
{
    TSettings settings;
    settings.BackupOnSave.SetValue(false);
    settings.UndoLimit.SetValue(3);
    settings.Zoom.SetValue(-5);
    settings.Font.SetValue(S("Noto \"Sans\" & <Mono>\t/ 1&amp;2"));
    settings.Folder.SetValue(S("/home/u/out"));
    settings.Mode.SetValue(2);
    settings.Recent.SetValue({S("a b.prm"), S(""), S("c\td")});
    settings.Processors.SetValue({S("1"), S(" 2"), S("3,4"), S("")});
    QTemporaryDir dir;
    const QString path = dir.filePath(S("app.settings"));
    SaveSettingsFile(settings.Root, path, S("app"));

    TSettings loaded;
    EXPECT_EQ(LoadSettingsFile(loaded.Root, path), slsLoaded);
    EXPECT_FALSE(loaded.BackupOnSave.Value());
    EXPECT_EQ(loaded.UndoLimit.Value(), 3);
    EXPECT_EQ(loaded.Zoom.Value(), -5);
    EXPECT_EQ(loaded.Font.Value(), settings.Font.Value());
    EXPECT_EQ(loaded.Folder.Value(), S("/home/u/out/"));
    EXPECT_EQ(loaded.Mode.Value(), 2);
    EXPECT_EQ(loaded.Recent.Value(), settings.Recent.Value());
    EXPECT_EQ(loaded.Processors.Value(), settings.Processors.Value());

    // Saving what was loaded writes the same file.
    const QString again = dir.filePath(S("again.settings"));
    SaveSettingsFile(loaded.Root, again, S("app"));
    EXPECT_EQ(ReadFile(again), ReadFile(path));
}

TEST(SettingsFile, MissingValuesAndMissingFilesGiveDefaults)
{
    TSettings settings;
    settings.Zoom.SetValue(50);
    settings.BackupOnSave.SetValue(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(S("app.settings"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "<app><Sheet><Zoom Value=75/><Mode Value=FLOW/></Sheet><Misc><UndoLimit Value=99/></Misc></app>");
    file.close();
    EXPECT_EQ(LoadSettingsFile(settings.Root, path), slsLoaded);
    EXPECT_EQ(settings.Zoom.Value(), 75);
    EXPECT_EQ(settings.Mode.Value(), 2);        // names match without case
    EXPECT_TRUE(settings.BackupOnSave.Value()); // its knot is missing
    EXPECT_EQ(settings.UndoLimit.Value(), 10);  // out of range: the default

    settings.Zoom.SetValue(50);
    EXPECT_EQ(LoadSettingsFile(settings.Root, dir.filePath(S("none.settings"))), slsMissing);
    EXPECT_EQ(settings.Zoom.Value(), 100);

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<app><Sheet><Zoom Value=75/><Mode");
    file.close();
    EXPECT_EQ(LoadSettingsFile(settings.Root, path), slsFailed);
    EXPECT_EQ(settings.Zoom.Value(), 75); // what was read before the damage
}

TEST(SettingsFile, AFailedSaveRaisesAndKeepsTheOldFile)
{
    TSettings settings;
    settings.Zoom.SetValue(50);
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(S("app.settings")));
    EXPECT_THROW(SaveSettingsFile(settings.Root, dir.filePath(S("app.settings")), S("app")), EQvError);
    EXPECT_THROW(SaveSettingsFile(settings.Root, dir.filePath(S("gone/app.settings")), S("app")), EQvError);
}

// --- Notification -------------------------------------------------------------------------------

TEST(Property, AChangeNotifiesTheGroupAndEveryAncestor)
{
    TSettings settings;
    TListener root(settings.Root);
    TListener sheet(settings.Sheet);
    TListener misc(settings.Misc);
    TListener zoom(settings.Zoom);
    settings.Zoom.SetValue(120);
    EXPECT_EQ(zoom.Count, 1);
    EXPECT_EQ(sheet.Count, 1);
    EXPECT_EQ(root.Count, 1);
    EXPECT_EQ(misc.Count, 0);
    settings.Zoom.SetValue(120); // no change, no notification
    EXPECT_EQ(sheet.Count, 1);
    settings.Recent.Append(S("x"));
    settings.Recent.Replace(0, S("x")); // the same item
    settings.Recent.RemoveAt(5);        // nothing there
    EXPECT_EQ(sheet.Count, 2);
}

TEST(Property, ABracketHoldsNotificationsBackAndClosesWithOne)
{
    TSettings settings;
    TListener sheet(settings.Sheet);
    TListener root(settings.Root);
    {
        TUpdateGuard<TProperty> outer(settings.Sheet);
        settings.Zoom.SetValue(50);
        {
            TUpdateGuard<TProperty> inner(settings.Sheet);
            settings.Font.SetValue(S("Mono"));
        }
        EXPECT_EQ(sheet.Count, 0);
        EXPECT_EQ(root.Count, 2); // the root is not in the bracket
    }
    EXPECT_EQ(sheet.Count, 1);

    {
        TUpdateGuard<TProperty> unchanged(settings.Sheet); // notifies even when nothing changed
    }
    EXPECT_EQ(sheet.Count, 2);

    try {
        TUpdateGuard<TProperty> guard(settings.Sheet);
        throw std::runtime_error("fails");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(settings.Sheet.UpdateCount(), 0);
    EXPECT_EQ(sheet.Count, 3);
}

TEST(Property, LoadingAndAssigningNotifyOncePerGroup)
{
    TSettings settings;
    TKnot knot;
    ASSERT_TRUE(knot.LoadFromText(S("<app><Sheet><Zoom Value=75/><Font Value=Mono/></Sheet></app>")));
    TListener root(settings.Root);
    TListener sheet(settings.Sheet);
    TListener misc(settings.Misc);
    settings.Root.LoadFromKnot(knot);
    EXPECT_EQ(root.Count, 1);
    EXPECT_EQ(sheet.Count, 1);
    EXPECT_EQ(misc.Count, 0); // its knot is missing: reset to defaults, which changed nothing
    settings.Sheet.LoadFromKnot(*knot.FindKnot(S("Sheet")));
    EXPECT_EQ(sheet.Count, 2); // loaded again, though nothing changed
    std::vector<TKnot*> knots;
    std::vector<TKnotParam*> params;
    EXPECT_FALSE(knot.CollectUnread(knots, params));

    TSettings other;
    other.Zoom.SetValue(33);
    other.Mode.SetValue(0);
    other.Recent.Append(S("r"));
    settings.Root.Assign(other.Root);
    EXPECT_EQ(root.Count, 2);
    EXPECT_EQ(sheet.Count, 3);
    EXPECT_EQ(settings.Zoom.Value(), 33);
    EXPECT_EQ(settings.Font.Value(), S("DejaVu Sans"));
    EXPECT_EQ(settings.Mode.Value(), 0);
    EXPECT_EQ(settings.Recent.Value(), QStringList{S("r")});
}

TEST(Property, TreeMessageOneIsTheChangeMessage)
{
    TSettings settings;
    TListener sheet(settings.Sheet);
    EXPECT_TRUE(settings.Sheet.SendMessage(pmChanged));
    EXPECT_FALSE(settings.Sheet.SendMessage(pmResetOnFirstStart));
    EXPECT_EQ(sheet.Count, 1);
}

// --- Values -------------------------------------------------------------------------------------

TEST(Property, IntegersAreLimitedOnAssignment)
{
    TSettings settings;
    settings.UndoLimit.SetValue(25);
    EXPECT_EQ(settings.UndoLimit.Value(), 20);
    settings.UndoLimit.SetValue(-3);
    EXPECT_EQ(settings.UndoLimit.Value(), 1);
    settings.Zoom.SetValue(100000); // minimum = maximum: no limit
    EXPECT_EQ(settings.Zoom.Value(), 100000);
}

TEST(Property, StringsAreShapedOnEveryAssignment)
{
    TSettings settings;
    settings.Font.SetValue(S(" \t Sans \r\n"));
    EXPECT_EQ(settings.Font.Value(), S("Sans"));
    settings.Folder.SetValue(S("/tmp/out"));
    EXPECT_EQ(settings.Folder.Value(), S("/tmp/out/"));
    settings.Folder.SetValue(S("/tmp/out/"));
    EXPECT_EQ(settings.Folder.Value(), S("/tmp/out/"));
    settings.Folder.SetValue(S(""));
    EXPECT_EQ(settings.Folder.Value(), S("")); // not the root folder

    TOwnedProperty group(new TProperty(nullptr, S("g")));
    auto* shaped = new TStringProperty(group.get(), S("s"), S("  x"), poTrimLeft);
    EXPECT_EQ(shaped->Default(), S("x"));
    EXPECT_TRUE(shaped->IsDefault());
}

TEST(Property, EnumerationsAreStoredByName)
{
    TSettings settings;
    EXPECT_EQ(settings.Mode.Default(), 1); // the first empty name
    EXPECT_TRUE(settings.Mode.IsDefault());
    settings.Mode.SetValue(7);
    EXPECT_EQ(settings.Mode.Value(), 2);
    settings.Mode.SetValue(-4);
    EXPECT_EQ(settings.Mode.Value(), 0);

    TKnot knot(S("g"));
    settings.Mode.WriteValue(knot, S("Value"));
    EXPECT_EQ(knot.ReadString(S("Value")), S("Page"));
    knot.WriteString(S("Other"), S("sideways"));
    settings.Mode.ReadValue(knot, S("Other"));
    EXPECT_EQ(settings.Mode.Value(), 1); // unknown name: the default

    TOwnedProperty group(new TProperty(nullptr, S("g")));
    auto* noEmpty = new TEnumProperty(group.get(), S("e"), {S("A"), S("B")});
    EXPECT_EQ(noEmpty->Default(), -1);
    EXPECT_EQ(noEmpty->ValueName(), S(""));
    noEmpty->SetValue(1);
    group->Reset();
    EXPECT_EQ(noEmpty->Value(), -1);
}

TEST(Property, DefaultsAreNotWrittenUnlessAsked)
{
    TOwnedProperty root(new TProperty(nullptr, S("r")));
    auto& name = *new TStringProperty(root.get(), S("Name"), S("x"));
    new TIntegerProperty(root.get(), S("Always"), 5, 0, 0, poWriteDefault);
    auto& inline_ = *new TBooleanProperty(root.get(), S("Inline"), false, poAttribute);
    TKnot knot(S("r"));
    knot.SetOptions(settingsKnotOptions);
    root->SaveToKnot(knot);
    EXPECT_EQ(knot.SaveToText(), S("<r>\r\n\t<Always Value=5/>\r\n</r>\r\n"));

    inline_.SetValue(true);
    name.SetValue(S("y z"));
    TKnot second(S("r"));
    second.SetOptions(settingsKnotOptions);
    root->SaveToKnot(second);
    EXPECT_EQ(second.SaveToText(),
              S("<r Inline=1>\r\n\t<Name Value=\"y z\"/>\r\n\t<Always Value=5/>\r\n</r>\r\n"));

    root->Reset();
    EXPECT_FALSE(inline_.Value());
    root->LoadFromKnot(second);
    EXPECT_TRUE(inline_.Value());
    EXPECT_EQ(name.Value(), S("y z"));
}

TEST(Property, StringListsAreLinesOrCommaText)
{
    TSettings settings;
    const QStringList items{S("a"), S(""), S("b c")};
    EXPECT_EQ(settings.Recent.ListText(items), S("a\r\n\r\nb c\r\n"));
    EXPECT_EQ(settings.Recent.ListFromText(S("a\r\n\r\nb c\r\n")), items);
    EXPECT_EQ(settings.Recent.ListFromText(S("a\n\rb\rc")), (QStringList{S("a"), S(""), S("b"), S("c")}));
    EXPECT_EQ(settings.Processors.ListText(items), S("a,,b c"));
    EXPECT_EQ(settings.Processors.ListFromText(S("a,,b c")), items);
}

// --- Comma text ---------------------------------------------------------------------------------

struct TCommaRow
{
    const char* Name;
    const char* Text;
    QStringList Items;
    bool Canonical; // JoinCommaText(Items) gives Text back
};

class CommaText : public ::testing::TestWithParam<TCommaRow>
{
};

TEST_P(CommaText, SplitsOnlyAtCommasOutsideQuotes)
{
    const TCommaRow& row = GetParam();
    EXPECT_EQ(SplitCommaText(S(row.Text)), row.Items);
    if (row.Canonical) {
        EXPECT_EQ(JoinCommaText(row.Items), S(row.Text));
    }
    EXPECT_EQ(SplitCommaText(JoinCommaText(row.Items)), row.Items);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommaText,
    ::testing::Values(TCommaRow{"Empty", "", {}, true}, TCommaRow{"One", "1", {S("1")}, true},
                      TCommaRow{"Numbers", "1,2,10", {S("1"), S("2"), S("10")}, true},
                      TCommaRow{"SpacesBelongToItems", "1, 2", {S("1"), S(" 2")}, false},
                      TCommaRow{"SpacesAreQuoted", "1,\" 2\"", {S("1"), S(" 2")}, true},
                      TCommaRow{"QuotedComma", "\"a,b\",c", {S("a,b"), S("c")}, true},
                      TCommaRow{"DoubledQuotes", "\"say \"\"hi\"\"\"", {S("say \"hi\"")}, true},
                      TCommaRow{"EmptyItems", ",a,", {S(""), S("a"), S("")}, true},
                      TCommaRow{"LoneEmptyItem", "\"\"", {S("")}, true},
                      TCommaRow{"TextAfterTheClosingQuote", "\"a\"b,c", {S("ab"), S("c")}, false},
                      TCommaRow{"UnclosedQuote", "\"a,b", {S("a,b")}, false},
                      TCommaRow{"QuoteInsideAnItem", "a\"b", {S("a\"b")}, false}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace qv
