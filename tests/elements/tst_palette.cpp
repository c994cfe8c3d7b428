#include "elements/palette.h"

#include "core/errors.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/element_unaccepted.h"
#include "elements/scheme.h"
#include "elements/scheme_images.h"
#include "elements/sounds_settings.h"
#include "support/printers.h"
#include "support/sound_recorder.h"
#include "support/test_elements.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

// A sub-executable command: logs "T:<text>" on the lamp it runs on.
class TTuneItem : public TSubExecutablePaletteItem
{
public:
    using TSubExecutablePaletteItem::TSubExecutablePaletteItem;
    void ExecuteSub(TVisualElement* element, const QString& text) override
    {
        static_cast<TElement_Lamp*>(element)->Log.append(QStringLiteral("T:") + text);
    }
    void GetSubCommands(TVisualElement*, QList<TPaletteSubCommand>& list) override
    {
        list.append({QStringLiteral("Low"), QStringLiteral("low")});
    }
};

// What the tests register into the process-wide palette, once, as modules do at start-up. Every
// item carries its name in Letters.
struct TTestItems
{
    TPaletteGroup* Tools;
    TPaletteGroup* Nowhere;
    TSchemePaletteItem* Blink;
    TTuneItem* Tune;
    TSchemePaletteItem* Quiet;
};

TPaletteItem* Named(TPaletteItem* item, const char* name)
{
    item->SetLetters(QString::fromLatin1(name));
    return item;
}

const TTestItems& TestItems()
{
    static const TTestItems items = [] {
        TPalette& palette = Palette();
        TTestItems result{};
        Named(new TElementPaletteItem(palette.InsertOtherItem(), 0, -1, 0, 0,
                                      TElement_TestImage::StaticClass(), 5),
              "image");
        result.Tools = new TPaletteGroup(&palette, 0, 500);
        Named(new TElementPaletteItem(result.Tools, piBlock, -1, 0, 0, TElement_Star::StaticClass(), 30),
              "star");
        Named(new TElementPaletteItem(result.Tools, 0, -1, 0, 0, TElement_Note::StaticClass(), 20), "note");
        auto* toolsOther = Named(new TPaletteItem(result.Tools, piSubList, -1, 0, 0, 10), "more");
        Named(new TElementPaletteItem(toolsOther, 0, -1, 0, 0, TElement_Rockfall::StaticClass()), "rock");
        // A class that no test container accepts.
        result.Nowhere = new TPaletteGroup(&palette, 0, 400);
        Named(new TElementPaletteItem(result.Nowhere, 0, -1, 0, 0, TElement_Unaccepted::StaticClass()),
              "field");

        TPaletteGroup* actions = palette.ActionsGroup();
        auto& commands = TElement_Lamp::Commands();
        commands.append(Named(new TSchemePaletteItem(actions, piSingleSelectionOnly), "S"));
        result.Blink = static_cast<TSchemePaletteItem*>(Named(new TSchemePaletteItem(actions), "B"));
        commands.append(result.Blink);
        commands.append(Named(new TSchemePaletteItem(actions, piNotForSelection), "F"));
        auto* menu = Named(new TSchemePaletteItem(actions, piSubList), "M");
        commands.append(menu);
        commands.append(Named(new TSchemePaletteItem(menu, piNotForSelection), "m"));
        result.Quiet =
            static_cast<TSchemePaletteItem*>(Named(new TSchemePaletteItem(actions, piNoSheetUpdate), "Q"));
        commands.append(result.Quiet);
        result.Tune = static_cast<TTuneItem*>(Named(new TTuneItem(actions), "T"));
        commands.append(result.Tune);
        return result;
    }();
    return items;
}

QString Names(const QList<TPaletteItem*>& list)
{
    QStringList names;
    for (TPaletteItem* item : list) {
        if (item == Palette().InsertOtherItem())
            names.append(QStringLiteral("InsertOther"));
        else if (item == Palette().AdditionalOtherItem())
            names.append(QStringLiteral("AdditionalOther"));
        else
            names.append(item->Letters());
    }
    return names.join(QLatin1Char(' '));
}

// A document on a sheet whose root shows selections (voRelayoutOnCovered).
struct PaletteTest : ::testing::Test
{
    TFakeSheet Sheet;
    TUndoRedo UndoRedo;
    TScheme Scheme{TTestRoot::StaticClass()};
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());
    TSoundRecorder Player;
    const TTestItems& Items = TestItems();

    void SetUp() override
    {
        Scheme.SetUndoRedo(&UndoRedo);
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetVisualOptions(Root->VisualOptions() | voRelayoutOnCovered);
    }
    void TearDown() override { Root->SetVisualParent(nullptr); }

    // Children from a pattern: 'r' rockfall, 'l' lamp, 's' star; upper case: selected.
    QList<TVisualElement*> AddChildren(const QString& pattern, TVisualElement* parent = nullptr)
    {
        QList<TVisualElement*> children;
        for (QChar c : pattern) {
            TVisualElement* child = nullptr;
            switch (c.toLower().toLatin1()) {
            case 'r':
                child = new TElement_Rockfall(&Scheme);
                break;
            case 'l':
                child = new TElement_Lamp(&Scheme);
                break;
            default:
                child = new TElement_Star(&Scheme);
                break;
            }
            if (parent == nullptr)
                Root->AppendElement(child);
            else
                child->SetParent(parent);
            child->SetVisualParent(parent != nullptr ? parent : Root);
            child->SetCovered(c.isUpper());
            children.append(child);
        }
        return children;
    }
};

// The standard nodes where other modules expect to find them, and the rules items are made by.
TEST(PaletteTree, StandardNodesAndItemCreationRules)
{
    TPalette palette;
    palette.CreateStandardNodes();
    const std::pair<TPaletteGroup*, int> groups[] = {
        {palette.ActionsGroup(), 1000}, {palette.OptionsGroup(), 800},    {palette.InsertGroup(), 700},
        {palette.StateGroup(), 150},    {palette.AdditionalGroup(), 100},
    };
    for (const auto& [group, order] : groups) {
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->Parent(), &palette);
        EXPECT_EQ(group->Order(), order) << LoadStr(group->Caption()).toStdString();
    }
    EXPECT_EQ(palette.InsertOtherItem()->Parent(), palette.InsertGroup());
    EXPECT_EQ(palette.AdditionalOtherItem()->Parent(), palette.AdditionalGroup());
    EXPECT_EQ(LoadStr(palette.InsertOtherItem()->Caption()), QStringLiteral("Other"));
    EXPECT_EQ(palette.DisableItem()->Parent(), palette.StateGroup());
    EXPECT_EQ(LoadStr(palette.DisableItem()->Caption()), QStringLiteral("Disabled"));
    EXPECT_EQ(palette.DisableItem()->SmallImage(), -1) << "a large item has no small image";

    // An image goes to the slot its size names; radio items are grouped; element items split.
    const TPaletteItem small(&palette, piCheck, 7, 0, 0, 3);
    const TPaletteItem large(&palette, piLarge | piRadio, 9);
    const TElementPaletteItem element(&palette, piBlock, 4, 0, 0, TElement_Star::StaticClass());
    EXPECT_EQ(small.SmallImage(), 7);
    EXPECT_EQ(small.LargeImage(), -1);
    EXPECT_EQ(small.RadioGroup(), 0);
    EXPECT_EQ(large.LargeImage(), 9);
    EXPECT_EQ(large.SmallImage(), -1);
    EXPECT_EQ(large.RadioGroup(), 1);
    EXPECT_EQ(element.Flags(), piBlock | piNotForSelection | piSplitButton);

    QString sound;
    TSchemePaletteItem(nullptr).GetSound(false, sound);
    EXPECT_EQ(sound, QStringLiteral("diClassesItemSound"));
    TElementPaletteItem(nullptr).GetSound(true, sound);
    EXPECT_EQ(sound, QStringLiteral("diClassesElementSound"));
    TDisablePaletteItem(nullptr).GetSound(true, sound);
    EXPECT_EQ(sound, QStringLiteral("diClassesDisableSound"));
}

// The first element item in document order decides, however deep it is.
TEST(PaletteTree, BlockFlagLookup)
{
    TPalette palette;
    auto* first = new TPaletteGroup(&palette, 0, 1);
    auto* other = new TPaletteItem(first, piSubList);
    new TElementPaletteItem(other, piBlock, -1, 0, 0, TElement_Note::StaticClass());
    auto* second = new TPaletteGroup(&palette, 0, 900);
    new TElementPaletteItem(second, 0, -1, 0, 0, TElement_Note::StaticClass());
    new TElementPaletteItem(second, 0, -1, 0, 0, TElement_Star::StaticClass());
    new TElementPaletteItem(second, piBlock, -1, 0, 0, TElement_Star::StaticClass());

    EXPECT_TRUE(palette.IsBlockClass(TElement_Note::StaticClass()));
    EXPECT_FALSE(palette.IsBlockClass(TElement_Star::StaticClass()));
    EXPECT_FALSE(palette.IsBlockClass(TElement_Rockfall::StaticClass())) << "no item at all";
    EXPECT_FALSE(palette.IsBlockClass(TVisualElement::StaticClass())) << "an ancestor class is not the class";
}

TEST_F(PaletteTest, ElementItemsFollowAcceptedClasses)
{
    QList<TPaletteItem*> list;
    Root->GetPaletteItems(list);
    // Groups with nothing available (Nowhere) leave no trace; "Other" items come with their contents.
    EXPECT_EQ(Names(list), QStringLiteral("InsertOther image star note more rock"));

    // A note accepts notes, but a note refuses to go into a note.
    auto* note = new TElement_Note(&Scheme);
    Root->AppendElement(note);
    list.clear();
    note->GetPaletteItems(list);
    EXPECT_EQ(Names(list), QStringLiteral("D star"));
    list.clear();
    bool forSelection = true;
    CollectPaletteItems(note, list, forSelection);
    EXPECT_EQ(Names(list), QStringLiteral("star")) << "the Disable item is only for selections";
    EXPECT_FALSE(forSelection);
}

// A part is offered what its owner adds for it, once, after its own items.
TEST_F(PaletteTest, PartGetsItsOwnersItems)
{
    struct TGivingRockfall : TElement_Rockfall
    {
        using TElement_Rockfall::TElement_Rockfall;
        void GetPartPaletteItems(TElement* part, QList<TPaletteItem*>& list) override
        {
            if (part == Condition())
                list << Given << Given;
        }
        TPaletteItem* Given = nullptr;
    };
    auto* rockfall = new TGivingRockfall(&Scheme);
    rockfall->Given = Items.Blink;
    Root->AppendElement(rockfall);
    QList<TPaletteItem*> list;
    rockfall->Condition()->GetPaletteItems(list);
    EXPECT_EQ(Names(list), QStringLiteral("B"));
    list.clear();
    rockfall->GetPaletteItems(list);
    EXPECT_EQ(Names(list), QStringLiteral("D")) << "the owner itself gets nothing of it";
}

struct TSelectionRow
{
    const char* Name;
    const char* Children;
    bool ForSelection;
    const char* Items;
};

const TSelectionRow selectionRows[] = {
    {"NothingSelected", "rl", false, "InsertOther image star note more rock"},
    {"OneRockfall", "Rl", true, "D"},
    {"TwoRockfalls", "RsR", true, "D"},
    {"OneLamp", "L", true, "D S B Q T"},
    {"TwoLamps", "LL", true, "D B Q T"},
    {"LampAndRockfall", "LR", true, "D"},
    {"OnlyStars", "SS", false, "InsertOther image star note more rock"},
    {"RockfallThenStar", "RS", true, ""},
    {"StarThenRockfall", "SR", true, ""},
};

struct PaletteSelection : PaletteTest, ::testing::WithParamInterface<TSelectionRow>
{
};

TEST_P(PaletteSelection, CollectsCommonItems)
{
    AddChildren(QString::fromLatin1(GetParam().Children));
    QList<TPaletteItem*> list;
    bool forSelection = !GetParam().ForSelection;
    CollectPaletteItems(Root, list, forSelection);
    EXPECT_EQ(forSelection, GetParam().ForSelection);
    EXPECT_EQ(Names(list), QString::fromLatin1(GetParam().Items));
}

INSTANTIATE_TEST_SUITE_P(Rows, PaletteSelection, ::testing::ValuesIn(selectionRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PaletteTest, FocusedElementAloneKeepsItsSubLists)
{
    auto* lamp = static_cast<TElement_Lamp*>(AddChildren(QStringLiteral("l")).first());
    QList<TPaletteItem*> list;
    bool forSelection = true;
    CollectPaletteItems(lamp, list, forSelection);
    EXPECT_FALSE(forSelection);
    EXPECT_EQ(Names(list), QStringLiteral("S B F M m Q T"));
}

TEST_F(PaletteTest, ContainerAdjustsSelectionItems)
{
    struct TPickyPanel : TPanelElement
    {
        using TPanelElement::TPanelElement;
        void AdjustPaletteItems(QList<TPaletteItem*>& list) override { list.removeAll(Blink); }
        TPaletteItem* Blink = nullptr;
    };
    auto* panel = new TPickyPanel(&Scheme);
    panel->Blink = Items.Blink;
    Root->AppendElement(panel);
    panel->SetVisualParent(Root);
    panel->SetVisualOptions(voRelayoutOnCovered);
    AddChildren(QStringLiteral("LL"), panel);
    QList<TPaletteItem*> list;
    bool forSelection = false;
    CollectPaletteItems(panel, list, forSelection);
    EXPECT_TRUE(forSelection);
    EXPECT_EQ(Names(list), QStringLiteral("D Q T"));
}

TEST_F(PaletteTest, DisableItemOverSelectionIsOneUndoStep)
{
    const auto children = AddChildren(QStringLiteral("RsR"));
    auto* first = static_cast<TElement_Rockfall*>(children[0]);
    auto* second = static_cast<TElement_Rockfall*>(children[2]);
    first->SetDisabled(true);
    TDisablePaletteItem* disable = Palette().DisableItem();

    TPaletteItemState state;
    first->GetPaletteItemState(disable, state);
    EXPECT_TRUE(state.Checked && state.Enabled);
    state = {};
    second->GetPaletteItemState(disable, state);
    EXPECT_FALSE(state.Checked);

    EXPECT_TRUE(RunPaletteItem(Root, disable, true, true));
    EXPECT_TRUE(first->Disabled());
    EXPECT_TRUE(second->Disabled());
    EXPECT_EQ(Sheet.UpdateCount, 0) << "brackets are closed again";
    EXPECT_EQ(UndoRedo.UndoList()->ChildCount(), 1);
    EXPECT_EQ(Player.Played, QStringList{QStringLiteral("diClassesDisableSound")});

    ASSERT_TRUE(UndoRedo.Undo());
    EXPECT_TRUE(first->Disabled()) << "it was disabled before; nothing was posted for it";
    EXPECT_FALSE(second->Disabled());
}

TEST_F(PaletteTest, DisableItemOnElementsThatCannotTakeIt)
{
    auto* star = static_cast<TElement_Star*>(AddChildren(QStringLiteral("s")).first());
    auto* rockfall = static_cast<TElement_Rockfall*>(AddChildren(QStringLiteral("r")).first());
    EXPECT_FALSE(star->ExecutePaletteItem(Palette().DisableItem(), true));
    EXPECT_FALSE(star->Disabled());
    EXPECT_FALSE(rockfall->ExecutePaletteItem(Items.Blink, true)) << "not its item";
    EXPECT_TRUE(rockfall->ExecutePaletteItem(Palette().DisableItem(), false)) << "handled, nothing to do";
    EXPECT_FALSE(UndoRedo.CanUndo());
}

TEST_F(PaletteTest, FocusedElementRunsItemAfterCommittingEdits)
{
    auto* lamp = static_cast<TElement_Lamp*>(AddChildren(QStringLiteral("l")).first());
    lamp->SetVisualStateBits(vsWantsFocusLost, true);
    EXPECT_TRUE(RunPaletteItem(lamp, Items.Blink, false, true));
    EXPECT_EQ(lamp->Log, (QStringList{QStringLiteral("FocusLost"), QStringLiteral("B=1")}));
    EXPECT_EQ(lamp->SheetUpdatesSeen, 1);
    EXPECT_EQ(Player.Played, QStringList{QStringLiteral("diClassesItemSound")});

    lamp->Log.clear();
    EXPECT_TRUE(RunPaletteItem(lamp, Items.Quiet, false, false));
    EXPECT_EQ(lamp->SheetUpdatesSeen, 0) << "piNoSheetUpdate";
    RunPaletteSubCommand(lamp, Items.Tune, false, QStringLiteral("low"));
    EXPECT_EQ(lamp->Log, (QStringList{QStringLiteral("FocusLost"), QStringLiteral("Q=0"),
                                      QStringLiteral("FocusLost"), QStringLiteral("T:low")}));
    EXPECT_EQ(Player.Played.size(), 3);
    EXPECT_FALSE(RunPaletteItem(lamp, Palette().InsertOtherItem(), false, false))
        << "a plain item does nothing on elements";
}

TEST_F(PaletteTest, SelectionSkipsElementsThatDisableTheItem)
{
    const auto children = AddChildren(QStringLiteral("LlL"));
    auto* first = static_cast<TElement_Lamp*>(children[0]);
    auto* unselected = static_cast<TElement_Lamp*>(children[1]);
    auto* last = static_cast<TElement_Lamp*>(children[2]);
    last->CommandsEnabled = false;
    RunPaletteItem(Root, Items.Blink, true, false);
    RunPaletteSubCommand(Root, Items.Tune, true, QStringLiteral("high"));
    EXPECT_EQ(first->Log, (QStringList{QStringLiteral("B=0"), QStringLiteral("T:high")}));
    EXPECT_EQ(first->SheetUpdatesSeen, 2) << "the selection's bracket and the item's own";
    EXPECT_TRUE(unselected->Log.isEmpty());
    EXPECT_TRUE(last->Log.isEmpty());
    EXPECT_EQ(Player.Played, QStringList{QStringLiteral("diClassesItemSound")})
        << "a sub-command over a selection plays nothing";
}

TEST_F(PaletteTest, SoundsFollowTheSetting)
{
    TProperty settings(nullptr, QStringLiteral("Settings"));
    auto* sounds = new TSoundsSettings(&settings);
    EXPECT_TRUE(sounds->Enabled()->Value());
    SetSoundsSettings(sounds);
    auto* lamp = static_cast<TElement_Lamp*>(AddChildren(QStringLiteral("l")).first());

    sounds->Enabled()->SetValue(false);
    RunPaletteItem(lamp, Items.Blink, false, false);
    PlaySchemeSound(QStringLiteral("diLogMessageSound"));
    EXPECT_TRUE(Player.Played.isEmpty());
    EXPECT_EQ(lamp->Log, QStringList{QStringLiteral("B=0")}) << "silence does not stop the command";

    sounds->Enabled()->SetValue(true);
    PlaySchemeSound(QStringLiteral("diLogMessageSound"));
    EXPECT_EQ(Player.Played, QStringList{QStringLiteral("diLogMessageSound")});

    sounds->Free();
    EXPECT_EQ(SoundsSettings(), nullptr) << "a freed node uninstalls itself";
    ServiceSlot<ISoundPlayer>().Install(nullptr);
    PlaySchemeSound(QStringLiteral("diLogMessageSound")); // the silent player
    EXPECT_EQ(Player.Played.size(), 1);
}

// Image lists

QImage Filled(int width, int height, const QList<QRgb>& colours)
{
    QImage image(width, height, QImage::Format_ARGB32);
    const int part = width / int(colours.size());
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, colours[qMin(x / part, int(colours.size()) - 1)]);
    }
    return image;
}

TEST(SchemeImages, StripsAreCutLeftToRight)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString three = dir.filePath(QStringLiteral("three.png"));
    const QString two = dir.filePath(QStringLiteral("two.png"));
    ASSERT_TRUE(Filled(48, 16, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}).save(three));
    // 40 pixels: two whole images and a rest that is dropped.
    ASSERT_TRUE(Filled(40, 16, {qRgba(10, 20, 30, 40), qRgba(50, 60, 70, 80)}).save(two));

    TSchemeImages images(16, 16);
    EXPECT_EQ(images.AddStrip(three), 0);
    EXPECT_EQ(images.AddStrip(two), 3);
    EXPECT_EQ(images.AddStrip(three), 0) << "a strip is added once";
    ASSERT_EQ(images.Count(), 5);
    EXPECT_EQ(images.Image(1).pixel(15, 15), qRgb(0, 255, 0));
    EXPECT_EQ(images.Image(2).pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(images.Image(4).pixel(10, 7), qRgba(50, 60, 70, 80)) << "colours are not premultiplied";
    EXPECT_EQ(images.Image(4).size(), QSize(16, 16));
    EXPECT_TRUE(images.Image(5).isNull());
    EXPECT_EQ(images.FindStrip(two), 3);
    EXPECT_EQ(StripImage(images, two, 1), 4);
    EXPECT_EQ(StripImage(images, QStringLiteral("noSuchStrip"), 0), -1);
}

TEST(SchemeImages, BadStripsRaise)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.png"));
    QFile file(corrupt);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const QString narrow = dir.filePath(QStringLiteral("narrow.png"));
    ASSERT_TRUE(Filled(8, 16, {qRgb(1, 2, 3)}).save(narrow));

    TSchemeImages images(16, 16);
    for (const QString& name :
         {QStringLiteral("diMissingSmallImages"), dir.filePath(QStringLiteral("gone.png"))}) {
        try {
            images.AddStrip(name);
            ADD_FAILURE() << "no error for " << name.toStdString();
        } catch (const EQvError& error) {
            EXPECT_EQ(error.Message(), LoadStr(2334, {name}));
        }
    }
    EXPECT_THROW(images.AddStrip(corrupt), EQvError);
    EXPECT_THROW(images.AddStrip(narrow), EQvError);
    EXPECT_EQ(images.Count(), 0);
}

struct TGreyRow
{
    QRgb Source;
    QRgb Expected;
};

TEST(SchemeImages, DisabledCopyIsGreyAndFaint)
{
    const TGreyRow rows[] = {
        {qRgba(255, 255, 255, 255), qRgba(255, 255, 255, 56)},
        {qRgba(255, 0, 0, 255), qRgba(60, 60, 60, 56)},
        {qRgba(0, 255, 0, 255), qRgba(173, 173, 173, 56)},
        {qRgba(0, 0, 255, 255), qRgba(20, 20, 20, 56)},
        // Half transparent: the grey comes from the colour itself, not a premultiplied one.
        {qRgba(100, 200, 50, 128), qRgba(163, 163, 163, 28)},
        {qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 0)},
        {qRgba(90, 90, 90, 3), qRgba(90, 90, 90, 1)},
    };
    TSchemeImages images(12, 12);
    for (const TGreyRow& row : rows)
        images.AddImage(Filled(12, 12, {row.Source}));
    const TSchemeImages grey = TSchemeImages::CreateDisabledCopy(images);
    ASSERT_EQ(grey.Count(), images.Count());
    EXPECT_EQ(grey.Width(), 12);
    for (int i = 0; i < grey.Count(); ++i)
        EXPECT_EQ(grey.Image(i).pixel(5, 6), rows[i].Expected) << "row " << i;

    EXPECT_EQ(CharImages().Width(), 12);
    EXPECT_EQ(SmallImages().Height(), 16);
    EXPECT_EQ(LargeImages().Width(), 32);
}

TEST(SchemeImages, DoubleSizeCompanionsShareTheIndices)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(
        Filled(32, 16, {qRgb(255, 0, 0), qRgb(0, 0, 255)}).save(dir.filePath(QStringLiteral("a.png"))));
    ASSERT_TRUE(
        Filled(64, 32, {qRgb(255, 0, 0), qRgb(0, 0, 255)}).save(dir.filePath(QStringLiteral("a@2x.png"))));
    // A companion that is not twice as high is not used.
    ASSERT_TRUE(Filled(16, 16, {qRgb(0, 255, 0)}).save(dir.filePath(QStringLiteral("b.png"))));
    ASSERT_TRUE(Filled(32, 16, {qRgb(0, 255, 0)}).save(dir.filePath(QStringLiteral("b@2x.png"))));

    TSchemeImages images(16, 16);
    images.AddStrip(dir.filePath(QStringLiteral("a.png")));
    images.AddStrip(dir.filePath(QStringLiteral("b.png")));
    ASSERT_EQ(images.Count(), 3);
    const QImage twice = images.Image(1, 2);
    EXPECT_EQ(twice.size(), QSize(32, 32));
    EXPECT_EQ(twice.devicePixelRatio(), 2);
    EXPECT_EQ(twice.pixel(31, 31), qRgb(0, 0, 255));
    EXPECT_EQ(images.Image(1, 1).size(), QSize(16, 16));
    EXPECT_EQ(images.Image(2, 2).size(), QSize(16, 16)) << "without a usable companion, the 1x picture";
    EXPECT_EQ(images.Icon(1).pixmap(QSize(16, 16), 2).size(), QSize(32, 32));

    const TSchemeImages grey = TSchemeImages::CreateDisabledCopy(images);
    EXPECT_EQ(grey.Image(1, 2).pixel(20, 20), qRgba(20, 20, 20, 56));
    EXPECT_EQ(grey.Image(1, 2).devicePixelRatio(), 2);
}

bool HasOpaquePixels(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255)
                return true;
        }
    }
    return false;
}

// Every strip the program names is built in: its pictures, none of them blank, and all of them again at
// twice the size.
TEST(SchemeImages, TheProgramsStripsComeAtBothSizes)
{
    struct TRow
    {
        const char* Strip;
        int Size;
        int Count;
    };
    const TRow rows[] = {
        {"diClassesCharImages", 12, 2},         {"diClassesSmallImages", 16, 1},
        {"diClassesLargeImages", 32, 2},        {"diTitledLargeImages", 32, 2},
        {"diCommonElementsSmallImages", 16, 8}, {"diLogImages", 9, 3},
        {"diSimpleElementsLargeImages", 32, 1}, {"diTableElementLargeImages", 32, 3},
        {"diTableElementSmallImages", 16, 1},   {"diDataElementLargeImages", 32, 8},
        {"diDataElementSmallImages", 16, 2},    {"diPathElementsLargeImages", 32, 4},
        {"diPathElementsSmallImages", 16, 6},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Strip);
        const QString name = QString::fromLatin1(row.Strip);
        const QImage strip(QStringLiteral(":/images/") + name + QStringLiteral(".png"));
        EXPECT_EQ(strip.size(), QSize(row.Size * row.Count, row.Size)) << "no picture more or less";
        EXPECT_EQ(QImage(QStringLiteral(":/images/") + name + QStringLiteral("@2x.png")).size(),
                  strip.size() * 2);
        TSchemeImages images(row.Size, row.Size);
        images.AddStrip(name);
        ASSERT_EQ(images.Count(), row.Count);
        for (int i = 0; i < images.Count(); ++i) {
            EXPECT_TRUE(images.HasDoubleSize(i)) << "picture " << i;
            EXPECT_TRUE(HasOpaquePixels(images.Image(i))) << "picture " << i;
        }
    }
}

} // namespace
} // namespace qv
