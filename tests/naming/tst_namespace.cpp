// Namespaces: registration, the uniqueness check and its messages, lookup, references and cycles,
// name order, unique names and the namespace of a root in snapshots.

#include "naming/namespace.h"

#include "core/knot.h"
#include "core/strings.h"
#include "core/update_guard.h"
#include "elements/scheme_filer.h"
#include "roots/root.h"
#include "roots/root_parts.h"
#include "support/naming_clients.h"
#include "support/printers.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace qv {
namespace {

using namespace qv::test;

class NamespaceTest : public ::testing::Test
{
protected:
    NamespaceTest() : FScheme(TRoot::StaticClass(), QStringLiteral("Doc"))
    {
        Names = static_cast<TRoot*>(FScheme.Root())->GeneralElementsNamespace();
    }
    ~NamespaceTest() override
    {
        References.clear();
        Holders.clear();
    }

    TTestNameHolder* Add(const QString& name, TNamespace* ns = nullptr)
    {
        Holders.emplace_back(new TTestNameHolder(&FScheme, ns != nullptr ? ns : Names, name));
        return Holders.back().get();
    }
    TTestReference* Refer(const QString& text, TNamespace* ns = nullptr)
    {
        References.push_back(std::make_unique<TTestReference>(ns != nullptr ? ns : Names, text));
        return References.back().get();
    }
    TScheme& Scheme() { return FScheme; }

    TNamespace* Names;
    std::vector<TNodePtr<TTestNameHolder>> Holders;
    std::vector<std::unique_ptr<TTestReference>> References;

private:
    TScheme FScheme;
};

// ---------------------------------------------------------------------------------------------------
// Uniqueness

struct TUniqueRow
{
    const char* Title;
    QStringList Names;
    QList<TNameFlags> Flags; // per name, 0 when missing
    QList<bool> Disabled;    // per name, false when missing
    QList<bool> NotUnique;   // per name, false when missing
    QList<TNameState> Expected;
};

class NamespaceUniqueness : public NamespaceTest, public ::testing::WithParamInterface<TUniqueRow>
{
};

TEST_P(NamespaceUniqueness, States)
{
    const TUniqueRow& row = GetParam();
    {
        TUpdateGuard<TScheme> guard(Scheme());
        for (qsizetype i = 0; i < row.Names.size(); ++i) {
            TTestNameHolder* holder = Add(row.Names[i]);
            holder->Flags = row.Flags.value(i, 0);
            holder->Enabled = !row.Disabled.value(i, false);
            holder->Unique = !row.NotUnique.value(i, false);
        }
    }
    for (qsizetype i = 0; i < row.Names.size(); ++i)
        EXPECT_EQ(Holders[size_t(i)]->Item()->State(), row.Expected[i]) << row.Title << " item " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NamespaceUniqueness,
    ::testing::Values(
        TUniqueRow{"latin letters ignore case", {"a", "A"}, {}, {}, {}, {nsDuplicate, nsDuplicate}},
        TUniqueRow{"other letters keep case",
                   {QString(QChar(0xE4)), QString(QChar(0xC4))},
                   {},
                   {},
                   {},
                   {nsUnique, nsUnique}},
        TUniqueRow{"reserved wins", {"x", "X"}, {0, nfReserved}, {}, {}, {nsReserved, nsUnique}},
        TUniqueRow{"reserved first", {"X", "x"}, {nfReserved, 0}, {}, {}, {nsUnique, nsReserved}},
        TUniqueRow{"third name apart", {"a", "b", "A"}, {}, {}, {}, {nsDuplicate, nsUnique, nsDuplicate}},
        TUniqueRow{
            "three of a kind", {"ab", "AB", "aB"}, {}, {}, {}, {nsDuplicate, nsDuplicate, nsDuplicate}},
        TUniqueRow{"disabled does not clash", {"a", "A"}, {}, {false, true}, {}, {nsUnique, nsUnique}},
        TUniqueRow{"not unique does not clash", {"a", "a"}, {}, {}, {false, true}, {nsUnique, nsUnique}},
        TUniqueRow{"different lengths", {"ab", "a"}, {}, {}, {}, {nsUnique, nsUnique}}));

TEST_F(NamespaceTest, UniquenessMessagesFollowRenames)
{
    TTestNameHolder* alpha = Add(QStringLiteral("Alpha"));
    TTestNameHolder* beta = Add(QStringLiteral("beta"));
    EXPECT_TRUE(alpha->MessageTexts().isEmpty());

    beta->SetName(QStringLiteral("ALPHA"));
    const QString duplicate = LoadStr(2726, {QStringLiteral("ALPHA")}).remove(u'[').remove(u']');
    EXPECT_EQ(beta->MessageTexts(), QStringList{duplicate});
    EXPECT_EQ(alpha->MessageTexts().size(), 1);
    ASSERT_NE(beta->Messages(), nullptr);
    EXPECT_EQ(beta->Messages()->Items(0)->Kind(), mkInvalidContent);
    // The link part carries the holder's id.
    EXPECT_EQ(beta->Messages()->Items(0)->Parts().at(1).Data, QString::number(beta->ID()));

    beta->SetName(QStringLiteral("Beta"));
    EXPECT_TRUE(alpha->MessageTexts().isEmpty());
    EXPECT_TRUE(beta->MessageTexts().isEmpty());

    // Disabling one of two clashing names frees the other (enabled changed runs the check).
    beta->SetName(QStringLiteral("alpha"));
    EXPECT_EQ(alpha->Item()->State(), nsDuplicate);
    beta->SetEnabled(false);
    EXPECT_EQ(alpha->Item()->State(), nsUnique);
    EXPECT_TRUE(alpha->MessageTexts().isEmpty());

    // Removing a name re-checks the rest.
    beta->SetEnabled(true);
    EXPECT_EQ(alpha->Item()->State(), nsDuplicate);
    Holders.pop_back();
    EXPECT_EQ(alpha->Item()->State(), nsUnique);
}

TEST_F(NamespaceTest, ReservedNameMessage)
{
    TTestNameHolder* builtIn = Add(QStringLiteral("Result"));
    builtIn->Flags = nfReserved;
    TTestNameHolder* user = Add(QStringLiteral("result"));
    EXPECT_EQ(user->MessageTexts(),
              QStringList{LoadStr(2727, {QStringLiteral("result")}).remove(u'[').remove(u']')});
    EXPECT_EQ(user->Messages()->Items(0)->Kind(), mkInvalidContent);
    EXPECT_EQ(builtIn->Item()->State(), nsUnique);
}

TEST_F(NamespaceTest, CheckWaitsForTheEndOfTheUpdateAndRunsOnce)
{
    TTestNameHolder* a = Add(QStringLiteral("a"));
    TTestNameHolder* b = Add(QStringLiteral("b"));
    TNamespaceRecorder recorder(Names);
    {
        TUpdateGuard<TScheme> guard(Scheme());
        b->SetName(QStringLiteral("A"));
        b->SetName(QStringLiteral("a"));
        EXPECT_EQ(a->Item()->State(), nsUnique);
        EXPECT_EQ(Scheme().PendingChecks().count(Names), 1);
    }
    EXPECT_EQ(a->Item()->State(), nsDuplicate);
    EXPECT_EQ(recorder.Log, (QStringList{"108:A", "108:a", "109:a", "109:a"}));
}

// ---------------------------------------------------------------------------------------------------
// Lookup

TEST_F(NamespaceTest, FindByNameIsCaseSensitiveAndTakesTheFirst)
{
    TTestNameHolder* first = Add(QStringLiteral("X"));
    TTestNameHolder* second = Add(QStringLiteral("X"));
    EXPECT_EQ(Names->FindByName(QStringLiteral("X")), first->Item());
    EXPECT_EQ(Names->FindByName(QStringLiteral("x")), nullptr);
    EXPECT_EQ(Names->FindByName(QString()), nullptr);

    struct TSkipFirst
    {
        TNamespaceItem* Skipped;
        void Filter(TNamespace*, TNamespaceItem* item, bool& accept) { accept = item != Skipped; }
    } skip{first->Item()};
    EXPECT_EQ(Names->FindByName(QStringLiteral("X"), MakeNameFilter<&TSkipFirst::Filter>(&skip)),
              second->Item());

    EXPECT_EQ(Names->FindByNameOwner(second, false), second->Item());
}

// A namespace of a few names walks them; one that grows keeps tables by name. Names registered before
// and after the tables exist are found in registration order and checked alike.
TEST_F(NamespaceTest, NamesFromBeforeAndAfterTheNamespaceGrewAreFoundAndChecked)
{
    TTestNameHolder* first = Add(QStringLiteral("Twin"));
    TTestNameHolder* second = Add(QStringLiteral("twin"));
    EXPECT_EQ(first->Item()->State(), nsDuplicate);
    for (int i = 0; i < 40; ++i)
        Add(QStringLiteral("Name%1").arg(i));
    TTestNameHolder* third = Add(QStringLiteral("Twin"));
    EXPECT_EQ(Names->FindByName(QStringLiteral("Twin")), first->Item());
    EXPECT_EQ(Names->FindByName(QStringLiteral("Name0")), Holders[2]->Item());
    EXPECT_EQ(third->Item()->State(), nsDuplicate);

    first->SetName(QStringLiteral("Else"));
    second->SetName(QStringLiteral("Other"));
    EXPECT_EQ(Names->FindByName(QStringLiteral("Twin")), third->Item());
    EXPECT_EQ(third->Item()->State(), nsUnique);
    EXPECT_EQ(Names->FindByName(QStringLiteral("Else")), first->Item());
}

TEST_F(NamespaceTest, FindByIdPathOfOwnItems)
{
    TTestNameHolder* holder = Add(QStringLiteral("Name"));
    EXPECT_EQ(holder->Item()->IdPath(), QString::number(holder->ID()));
    EXPECT_EQ(Names->FindByIdPath(holder->Item()->IdPath()), holder->Item());
    EXPECT_EQ(Names->FindByIdPath(QString()), nullptr);
    EXPECT_EQ(Names->FindByIdPath(QString::number(holder->ID() + 1000)), nullptr);
    // A path of a connection this namespace does not have.
    EXPECT_EQ(Names->FindByIdPath(QString::number(holder->ID() + 1000) + QStringLiteral(".1")), nullptr);
    EXPECT_EQ(Names->FindByIdPath(QStringLiteral("x")), nullptr);
    EXPECT_EQ(Names->FindByIdPath(QStringLiteral("y.1")), nullptr);
}

TEST_F(NamespaceTest, GeneralNamespaceOfTheNearestOwner)
{
    TNodePtr<TTestNamingRoot> root(new TTestNamingRoot(&Scheme()));
    auto* child = new TTestContainer(&Scheme());
    child->SetParent(root.get());
    EXPECT_EQ(FindGeneralElementsNamespace(child), root->GetGeneralElementsNamespace());
    EXPECT_EQ(FindGeneralElementsNamespace(root.get()), nullptr);
    auto* docRoot = static_cast<TRoot*>(Scheme().Root());
    EXPECT_EQ(static_cast<IGeneralElementsOwner*>(docRoot)->GetGeneralElementsNamespace(),
              docRoot->GeneralElementsNamespace());
}

// ---------------------------------------------------------------------------------------------------
// References

TEST_F(NamespaceTest, ReferencesCountAndFollowRenamesAndRemoval)
{
    TTestNameHolder* alpha = Add(QStringLiteral("Alpha"));
    TTestReference* bound = Refer(QStringLiteral("Alpha"));
    TTestReference* unbound = Refer(QStringLiteral("alpha"));
    TTestReference* box = Refer(QStringLiteral("Alpha"));
    box->SetUncounted(true);
    EXPECT_EQ(bound->Target(), alpha->Item());
    EXPECT_EQ(unbound->Target(), nullptr);
    EXPECT_EQ(alpha->Item()->References().size(), 2);
    EXPECT_EQ(alpha->Item()->ReferenceCount(), 1);

    alpha->SetName(QStringLiteral("Beta"));
    EXPECT_EQ(bound->Text, QStringLiteral("Beta"));
    EXPECT_EQ(bound->Target(), alpha->Item());
    EXPECT_EQ(unbound->Text, QStringLiteral("alpha"));

    // A name appearing later binds a waiting reference.
    TTestNameHolder* lower = Add(QStringLiteral("alpha"));
    EXPECT_EQ(unbound->Target(), lower->Item());

    // Removal: the reference resolves again and finds the other item of the same name.
    TTestNameHolder* other = Add(QStringLiteral("Beta"));
    Holders.erase(Holders.begin());
    EXPECT_EQ(bound->Target(), other->Item());
    EXPECT_EQ(bound->Text, QStringLiteral("Beta"));
}

TEST_F(NamespaceTest, AnItemGoingAwayClearsReferencesItsOwnersMissed)
{
    TTestNameHolder* holder = Add(QStringLiteral("Gone"));
    TReference silent; // listens to nothing
    silent.SetTarget(holder->Item());
    ASSERT_EQ(holder->Item()->References().size(), 1);
    Holders.clear();
    EXPECT_EQ(silent.Target(), nullptr);
}

TEST_F(NamespaceTest, SettingTheSameTargetDoesNothing)
{
    TTestNameHolder* holder = Add(QStringLiteral("Same"));
    TTestReference* reference = Refer(QStringLiteral("Same"));
    const int changes = reference->TargetChanges;
    reference->SetTarget(holder->Item());
    EXPECT_EQ(reference->TargetChanges, changes);
    EXPECT_EQ(holder->Item()->References().size(), 1);
}

// ---------------------------------------------------------------------------------------------------
// Cycles

TEST_F(NamespaceTest, CyclesAreMarkedAndCleared)
{
    TTestNameHolder* a = Add(QStringLiteral("A"));
    TTestNameHolder* b = Add(QStringLiteral("B"));
    TTestNameHolder* c = Add(QStringLiteral("C"));
    TTestReference aToB(Names, QString());
    TTestReference bToA(Names, QString());
    TTestReference cToA(Names, QString());
    a->Dependencies = {&aToB};
    b->Dependencies = {&bToA};
    c->Dependencies = {&cToA};

    aToB.SetTarget(b->Item());
    EXPECT_FALSE(aToB.Cyclic());
    cToA.SetTarget(a->Item());
    EXPECT_FALSE(cToA.Cyclic());
    bToA.SetTarget(a->Item());
    EXPECT_TRUE(aToB.Cyclic());
    EXPECT_TRUE(bToA.Cyclic());

    // From outside into the cycle: marked too, once a search passes through its holder (here: a
    // reference to that holder's name).
    TTestReference dToC(Names, QString());
    dToC.SetTarget(c->Item());
    EXPECT_TRUE(cToA.Cyclic());
    EXPECT_FALSE(dToC.Cyclic());
    dToC.SetTarget(nullptr);

    // Breaking the cycle clears the marks on it.
    aToB.SetTarget(nullptr);
    EXPECT_FALSE(aToB.Cyclic());
    EXPECT_FALSE(bToA.Cyclic());
    EXPECT_GE(bToA.CyclicChanges, 2);

    // A reference to its own holder's name is a cycle of one.
    TTestReference self(Names, QString());
    a->Dependencies = {&self};
    self.SetTarget(a->Item());
    EXPECT_TRUE(self.Cyclic());
    a->Dependencies.clear();
    b->Dependencies.clear();
    c->Dependencies.clear();
    self.SetTarget(nullptr);
    bToA.SetTarget(nullptr);
    cToA.SetTarget(nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Name order and automatic names

TEST_F(NamespaceTest, NameOrderPutsSecondaryNamesLastAndFollowsTheDocument)
{
    TNodePtr<TTestContainer> place(new TTestContainer(&Scheme()));
    TTestNameHolder* late = Add(QStringLiteral("late"));
    TTestNameHolder* early = Add(QStringLiteral("early"));
    TTestNameHolder* secondary = Add(QStringLiteral("secondary"));
    secondary->Flags = nfSecondary;
    secondary->SetParent(place.get());
    early->SetParent(place.get());
    late->SetParent(place.get());

    TNameList list;
    Names->CollectNames(list, true, {}, false);
    SortNames(list);
    QStringList names;
    for (const TNameEntry& entry : std::as_const(list))
        names.append(entry.Name);
    EXPECT_EQ(names, (QStringList{"early", "late", "secondary"}));
    late->SetParent(nullptr);
    early->SetParent(nullptr);
    secondary->SetParent(nullptr);
}

TEST_F(NamespaceTest, MakeUniqueNameSkipsEveryTakenName)
{
    Add(QStringLiteral("Language1"));
    Add(QStringLiteral("Language2"))->Enabled = false; // disabled names are taken too
    EXPECT_EQ(Names->MakeUniqueName(QStringLiteral("Language"), true), QStringLiteral("Language3"));
    EXPECT_EQ(Names->MakeUniqueName(QStringLiteral("Other"), false), QStringLiteral("Other"));
    // Taken names compare with case.
    EXPECT_EQ(Names->MakeUniqueName(QStringLiteral("language"), true), QStringLiteral("language1"));
}

// ---------------------------------------------------------------------------------------------------
// Roots

TEST(NamespaceRoot, SnapshotRoundTripKeepsTheNamespace)
{
    TScheme scheme(TRoot::StaticClass(), QStringLiteral("Doc"));
    auto* root = static_cast<TRoot*>(scheme.Root());
    ASSERT_NE(root->GeneralElementsNamespace(), nullptr);
    TKnot snapshot;
    scheme.SaveToKnot(root, fmSnapshot, &snapshot, 0);

    TScheme copy(TRoot::StaticClass(), QStringLiteral("Doc"));
    auto* restored = static_cast<TRoot*>(copy.Root());
    snapshot.SetReadMarks(false);
    copy.LoadFromKnot(restored, fmSnapshot, &snapshot);
    TNamespace* names = restored->GetGeneralElementsNamespace();
    EXPECT_EQ(names->ID(), root->GeneralElementsNamespace()->ID());
    EXPECT_EQ(copy.FindElementByID(names->ID()), names);

    // The restored namespace works: names register and clash.
    TNodePtr<TTestNameHolder> a(new TTestNameHolder(&copy, names, QStringLiteral("n")));
    TNodePtr<TTestNameHolder> b(new TTestNameHolder(&copy, names, QStringLiteral("N")));
    EXPECT_EQ(a->Item()->State(), nsDuplicate);
    EXPECT_EQ(names->FindByIdPath(QString::number(b->ID())), b->Item());

    // Freeing the document with names still registered leaves nothing behind.
    TKnot file;
    copy.SaveToKnot(restored, fmFile, &file, ffFileSave);
    EXPECT_EQ(file.FindKnot(QStringLiteral("GeneralElementsNamespace")), nullptr);
}

TEST(NamespaceRoot, HoldersOutlivingTheirNamespaceAreLeftWithoutOne)
{
    auto scheme = std::make_unique<TScheme>(TRoot::StaticClass(), QStringLiteral("Doc"));
    TNamespace* names = static_cast<TRoot*>(scheme->Root())->GeneralElementsNamespace();
    TNodePtr<TTestNameHolder> holder(new TTestNameHolder(scheme.get(), names, QStringLiteral("x")));
    TReference reference;
    reference.SetTarget(holder->Item());
    // The namespace goes first (its document is closed); the holder still runs.
    names->Free();
    EXPECT_EQ(holder->Item()->Namespace(), nullptr);
    holder->SetName(QStringLiteral("y"));
    EXPECT_EQ(reference.Target(), holder->Item());
    reference.SetTarget(nullptr);
    holder.reset();
}

} // namespace
} // namespace qv
