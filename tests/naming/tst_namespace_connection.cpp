// Namespace connections: covers, prefixes, visibility, chains, rings, references through covers,
// named connections, connections across documents and ids in snapshots.

#include "naming/namespace_connection.h"

#include "core/knot.h"
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

// A document scheme with a general namespace, a second namespace as the source of connections, and
// helpers that own what the tests create.
class ConnectionTest : public ::testing::Test
{
protected:
    ConnectionTest() : FScheme(TRoot::StaticClass(), QStringLiteral("Doc"))
    {
        Target = static_cast<TRoot*>(FScheme.Root())->GeneralElementsNamespace();
        FSourceNode.reset(new TNamespace(&FScheme));
        Source = FSourceNode.get();
    }
    ~ConnectionTest() override
    {
        References.clear();
        Connections.clear();
        Holders.clear();
    }

    TTestNameHolder* Add(TNamespace* ns, const QString& name)
    {
        Holders.emplace_back(new TTestNameHolder(&FScheme, ns, name));
        return Holders.back().get();
    }
    template <class C = TNamespaceConnection>
    C* Connect(TNamespace* source, TNamespace* target, const QString& prefix = QString())
    {
        auto* connection = new C(&FScheme);
        Connections.emplace_back(connection);
        connection->SetPrefix(prefix);
        connection->SetSource(source);
        connection->SetTarget(target);
        return connection;
    }
    TTestReference* Refer(TNamespace* ns, const QString& text)
    {
        References.push_back(std::make_unique<TTestReference>(ns, text));
        return References.back().get();
    }
    static QStringList NamesOf(TNamespace* ns)
    {
        TNameList list;
        ns->CollectNames(list, true, {}, false);
        QStringList names;
        for (const TNameEntry& entry : std::as_const(list))
            names.append(entry.Name);
        return names;
    }
    TScheme& Scheme() { return FScheme; }

    TNamespace* Target;
    TNamespace* Source;
    std::vector<TNodePtr<TTestNameHolder>> Holders;
    std::vector<TNodePtr<TNamespaceConnection>> Connections;
    std::vector<std::unique_ptr<TTestReference>> References;

private:
    TScheme FScheme;
    TNodePtr<TNamespace> FSourceNode;
};

TEST_F(ConnectionTest, CoversFollowTheSourceItems)
{
    TTestNameHolder* x = Add(Source, QStringLiteral("X"));
    TNamespaceConnection* connection = Connect(Source, Target);
    EXPECT_TRUE(connection->IsConnected());
    ASSERT_EQ(connection->Covers().size(), 1u);
    EXPECT_EQ(Target->Connections(), QList<TNamespaceConnection*>{connection});
    TNamespaceCoverItem* cover = connection->Covers().front().get();
    EXPECT_EQ(cover->Covered(), x->Item());
    EXPECT_EQ(cover->Origin(), x->Item());
    EXPECT_EQ(cover->Element(), x);
    EXPECT_EQ(Target->FindByName(QStringLiteral("X")), cover);

    TNamespaceRecorder recorder(Target);
    TTestNameHolder* y = Add(Source, QStringLiteral("Y"));
    EXPECT_NE(Target->FindByName(QStringLiteral("Y")), nullptr);
    y->SetName(QStringLiteral("Z"));
    EXPECT_NE(Target->FindByName(QStringLiteral("Z")), nullptr);
    y->SetEnabled(false);
    Holders.pop_back();
    EXPECT_EQ(Target->FindByName(QStringLiteral("Z")), nullptr);
    EXPECT_EQ(recorder.Log, (QStringList{"101:Y", "108:Z", "106:Z", "110:Z"}));
    EXPECT_EQ(connection->Covers().size(), 1u);
}

TEST_F(ConnectionTest, PrefixNamesTheCoversAndRenamesThemWhenChanged)
{
    TTestNameHolder* x = Add(Source, QStringLiteral("X"));
    TNamespaceConnection* connection = Connect(Source, Target, QStringLiteral("Lib"));
    EXPECT_EQ(Target->FindByName(QStringLiteral("X")), nullptr);
    TNamespaceItem* cover = Target->FindByName(QStringLiteral("Lib.X"));
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(dynamic_cast<TNamespaceCoverItem*>(cover)->Covered(), x->Item());

    TTestReference* reference = Refer(Target, QStringLiteral("Lib.X"));
    ASSERT_EQ(reference->Target(), cover);
    TNamespaceRecorder recorder(Target);
    connection->SetPrefix(QStringLiteral("Pkg"));
    EXPECT_EQ(recorder.Log, QStringList{"108:Pkg.X"});
    EXPECT_EQ(reference->Text, QStringLiteral("Pkg.X"));
    EXPECT_EQ(Target->FindByName(QStringLiteral("Pkg.X")), cover);
    EXPECT_EQ(Target->FindByName(QStringLiteral("Lib.X")), nullptr);
    connection->SetPrefix(QStringLiteral("Pkg"));
    EXPECT_EQ(recorder.Log.size(), 1);
}

TEST_F(ConnectionTest, PublicOnlyCoversAnItemOnceItIsMadePublic)
{
    TTestNameHolder* hidden = Add(Source, QStringLiteral("Secret"));
    hidden->Visibility = nvPrivate;
    TNamespaceConnection* connection = Connect(Source, Target);
    connection->SetConnectionOptions(ncoPublicOnly);
    EXPECT_TRUE(connection->Covers().empty());

    hidden->Visibility = nvPublic;
    hidden->Item()->NotifyChanged();
    EXPECT_NE(Target->FindByName(QStringLiteral("Secret")), nullptr);
    hidden->Visibility = nvPrivate;
    hidden->Item()->NotifyChanged();
    EXPECT_EQ(Target->FindByName(QStringLiteral("Secret")), nullptr);

    // A private connection makes every cover private.
    connection->SetConnectionOptions(0);
    hidden->Visibility = nvPublic;
    connection->SetCoverVisibility(nvPrivate);
    ASSERT_EQ(connection->Covers().size(), 1u);
    EXPECT_EQ(connection->Covers().front()->Visibility(), nvPrivate);
}

TEST_F(ConnectionTest, ClashWithACoverMarksOnlyTheOwnItem)
{
    TTestNameHolder* imported = Add(Source, QStringLiteral("Value"));
    TTestNameHolder* own = Add(Target, QStringLiteral("value"));
    Connect(Source, Target);
    EXPECT_EQ(own->Item()->State(), nsDuplicate);
    EXPECT_EQ(imported->Item()->State(), nsUnique);
    EXPECT_EQ(own->MessageTexts().size(), 1);
    // Own names are found before covers.
    EXPECT_EQ(Target->FindByName(QStringLiteral("value")), own->Item());
    EXPECT_EQ(Target->FindByName(QStringLiteral("Value"))->Origin(), imported->Item());
}

TEST_F(ConnectionTest, DisabledOrRemovedConnectionTakesItsCoversAlong)
{
    Add(Source, QStringLiteral("X"));
    TTestNameHolder* own = Add(Target, QStringLiteral("x"));
    TNamespaceConnection* connection = Connect(Source, Target);
    TTestReference* reference = Refer(Target, QStringLiteral("X"));
    ASSERT_NE(reference->Target(), nullptr);
    EXPECT_EQ(own->Item()->State(), nsDuplicate);

    connection->SetEnabled(false);
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_TRUE(connection->Covers().empty());
    EXPECT_TRUE(Target->Connections().isEmpty());
    EXPECT_EQ(reference->Target(), nullptr);
    EXPECT_EQ(own->Item()->State(), nsUnique);
    EXPECT_EQ(connection->ReferenceCount(), 0);

    connection->SetEnabled(true);
    EXPECT_NE(reference->Target(), nullptr); // the cover came back and bound the waiting reference
    EXPECT_EQ(connection->ReferenceCount(), 1);

    Connections.clear();
    EXPECT_EQ(reference->Target(), nullptr);
    EXPECT_TRUE(Target->Connections().isEmpty());
    EXPECT_EQ(Source->HandlerCount(), 0);
}

TEST_F(ConnectionTest, ChainsReachThroughEveryConnection)
{
    TNodePtr<TNamespace> middle(new TNamespace(&Scheme()));
    TTestNameHolder* x = Add(Source, QStringLiteral("X"));
    TNamespaceConnection* first = Connect(Source, middle.get(), QStringLiteral("A"));
    TNamespaceConnection* second = Connect(middle.get(), Target, QStringLiteral("B"));
    TNamespaceItem* cover = Target->FindByName(QStringLiteral("B.A.X"));
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->Origin(), x->Item());
    EXPECT_TRUE(cover->ComesThrough(first));
    EXPECT_TRUE(cover->ComesThrough(second));
    EXPECT_TRUE(cover->ComesThroughClass(TNamespaceConnection::StaticClass()));
    EXPECT_FALSE(cover->ComesThroughClass(TNamedNamespaceConnection::StaticClass()));

    // Id paths go through every connection and resolve back.
    const QString path =
        QString::number(second->ID()) + u'.' + QString::number(first->ID()) + u'.' + QString::number(x->ID());
    EXPECT_EQ(cover->IdPath(), path);
    EXPECT_EQ(Target->FindByIdPath(path), cover);

    // A reference to the end of the chain is registered with every item and counted by every
    // connection on the way.
    TTestReference* reference = Refer(Target, QStringLiteral("B.A.X"));
    EXPECT_EQ(x->Item()->ReferenceCount(), 1);
    EXPECT_EQ(first->ReferenceCount(), 1);
    EXPECT_EQ(second->ReferenceCount(), 1);
    EXPECT_EQ(first->Covers().front()->ReferenceCount(), 1);

    // Renames travel the chain; removal too.
    x->SetName(QStringLiteral("Y"));
    EXPECT_EQ(reference->Text, QStringLiteral("B.A.Y"));
    Holders.clear();
    EXPECT_EQ(reference->Target(), nullptr);
    EXPECT_EQ(first->ReferenceCount(), 0);
    EXPECT_EQ(second->ReferenceCount(), 0);
    Connections.clear();
}

TEST_F(ConnectionTest, IdChangesOfHoldersAndConnectionsReachTheTarget)
{
    TTestNameHolder* x = Add(Source, QStringLiteral("X"));
    TNamespaceConnection* connection = Connect(Source, Target);
    TTestReference* reference = Refer(Target, QStringLiteral("X"));
    ASSERT_NE(reference->Target(), nullptr);
    TNamespaceRecorder recorder(Target);
    x->Item()->NotifyIdChanged();
    const QString expected =
        QStringLiteral("102:X:") + QString::number(connection->ID()) + u'.' + QString::number(x->ID());
    EXPECT_EQ(recorder.Log, QStringList{expected});

    // A connection restored from a snapshot under its stored id announces the new paths.
    TKnot snapshot;
    snapshot.WriteInt(QStringLiteral("ID"), connection->ID() + 5000);
    recorder.Log.clear();
    TSchemeLoader loader(&Scheme(), nullptr, &snapshot, 0, fmSnapshot);
    connection->LoadFromKnot(&loader, &snapshot);
    EXPECT_EQ(recorder.Log, QStringList{QStringLiteral("102:X:") + QString::number(connection->ID()) + u'.' +
                                        QString::number(x->ID())});
    EXPECT_EQ(Target->FindByIdPath(reference->Target()->IdPath()), reference->Target());
}

TEST_F(ConnectionTest, RingsOfConnectionsEndAndBringNoNameBackHome)
{
    Add(Source, QStringLiteral("S"));
    TTestNameHolder* t = Add(Target, QStringLiteral("T"));
    Connect(Source, Target);
    Connect(Target, Source);
    EXPECT_EQ(NamesOf(Target), (QStringList{"T", "S"}));
    EXPECT_EQ(NamesOf(Source), (QStringList{"S", "T"}));
    EXPECT_EQ(t->Item()->State(), nsUnique);
    // A connection of a namespace to itself covers nothing.
    TNamespaceConnection* self = Connect(Target, Target);
    EXPECT_TRUE(self->Covers().empty());
    Add(Source, QStringLiteral("U"));
    EXPECT_EQ(NamesOf(Source), (QStringList{"S", "U", "T"}));
    EXPECT_EQ(NamesOf(Target), (QStringList{"T", "S", "U"}));
}

TEST_F(ConnectionTest, NamedConnectionCountsReferencesForItsName)
{
    Add(Source, QStringLiteral("X"));
    auto* connection = Connect<TNamedNamespaceConnection>(Source, Target, QStringLiteral("Lib"));
    EXPECT_FALSE(connection->IsConnected()); // no name yet
    TTestNameHolder* name = Add(Target, QStringLiteral("Lib"));
    connection->SetOwnerItem(name->Item());
    EXPECT_TRUE(connection->IsConnected());
    TTestReference* reference = Refer(Target, QStringLiteral("Lib.X"));
    ASSERT_NE(reference->Target(), nullptr);
    EXPECT_EQ(name->Item()->ReferenceCount(), 1);

    // Replacing the name moves the count: the old item releases, the new one connects.
    TTestNameHolder* other = Add(Target, QStringLiteral("Other"));
    connection->SetOwnerItem(other->Item());
    EXPECT_EQ(name->Item()->ReferenceCount(), 0);
    EXPECT_EQ(other->Item()->ReferenceCount(), 1);
    EXPECT_FALSE(connection->Releasing());

    // The naming item going away disconnects.
    other->SetNamespace(nullptr);
    EXPECT_EQ(connection->OwnerItem(), nullptr);
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_EQ(reference->Target(), nullptr);
}

TEST_F(ConnectionTest, NamesOfAListLastConnectionComeLast)
{
    TNodePtr<TTestContainer> place(new TTestContainer(&Scheme()));
    TNodePtr<TNamespace> extra(new TNamespace(&Scheme()));
    Add(Source, QStringLiteral("b"))->SetParent(place.get());
    Add(Source, QStringLiteral("a"))->SetParent(place.get());
    Add(extra.get(), QStringLiteral("c"));
    TNamespaceConnection* last = Connect(Source, Target);
    last->SetListLast(true);
    TNamespaceConnection* plain = Connect(extra.get(), Target);
    TTestNameHolder* own = Add(Target, QStringLiteral("own"));
    // Document order: the plain connection, the own name's holder, then the list-last connection.
    plain->SetParent(place.get());
    own->SetParent(place.get());
    last->SetParent(place.get());
    TNameList list;
    Target->CollectNames(list, true, {}, false);
    SortNames(list);
    QStringList names;
    for (const TNameEntry& entry : std::as_const(list))
        names.append(entry.Name);
    // Covers of one connection follow the places of their covered names.
    EXPECT_EQ(names, (QStringList{"c", "own", "b", "a"}));
    Holders[1]->SetParent(place.get(), Holders[0].get()); // "a" before "b" now
    list.clear();
    Target->CollectNames(list, true, {}, false);
    SortNames(list);
    EXPECT_EQ(list.at(2).Name, QStringLiteral("a"));
    for (auto& holder : Holders)
        holder->SetParent(nullptr);
    plain->SetParent(nullptr);
    own->SetParent(nullptr);
    last->SetParent(nullptr);
}

// ---------------------------------------------------------------------------------------------------
// Across documents

TEST(ConnectionAcrossSchemes, DependantsAndEitherDocumentClosingFirst)
{
    for (const bool sourceClosesFirst : {true, false}) {
        SCOPED_TRACE(sourceClosesFirst ? "source closes first" : "connecting document closes first");
        auto library = std::make_unique<TScheme>(TRoot::StaticClass(), QStringLiteral("Doc"));
        auto document = std::make_unique<TScheme>(TRootWithProcessing::StaticClass(), QStringLiteral("Doc"));
        TNamespace* libraryNames = static_cast<TRoot*>(library->Root())->GeneralElementsNamespace();
        auto* root = static_cast<TRootWithProcessing*>(document->Root());
        TNamespace* documentNames = root->GeneralElementsNamespace();
        TNamespaceConnection* connection = root->ApplicationInsideValuesNamespaceConnection();

        TNodePtr<TTestNameHolder> exported(
            new TTestNameHolder(library.get(), libraryNames, QStringLiteral("Shared")));
        connection->SetTarget(documentNames);
        connection->SetSource(libraryNames);
        EXPECT_EQ(library->Dependants(), QList<TScheme*>{document.get()});
        auto reference = std::make_unique<TTestReference>(documentNames, QStringLiteral("Shared"));
        ASSERT_NE(reference->Target(), nullptr);
        EXPECT_EQ(reference->Target()->Origin(), exported->Item());
        EXPECT_EQ(exported->Item()->ReferenceCount(), 1);

        // Losing the source takes the covers and the dependant entry; getting it back rebinds.
        connection->SetSource(nullptr);
        EXPECT_TRUE(library->Dependants().isEmpty());
        EXPECT_EQ(reference->Target(), nullptr);
        EXPECT_EQ(exported->Item()->ReferenceCount(), 0);
        connection->SetSource(libraryNames);
        ASSERT_NE(reference->Target(), nullptr);
        EXPECT_EQ(library->Dependants().size(), 1);

        if (sourceClosesFirst) {
            exported.reset();
            EXPECT_EQ(reference->Target(), nullptr);
            library.reset();
            EXPECT_EQ(connection->Source(), nullptr);
            EXPECT_FALSE(connection->IsConnected());
            reference.reset();
            document.reset();
        } else {
            reference.reset();
            document.reset();
            EXPECT_TRUE(library->Dependants().isEmpty());
            EXPECT_EQ(libraryNames->HandlerCount(), 0);
            EXPECT_EQ(exported->Item()->ReferenceCount(), 0);
            exported.reset();
            library.reset();
        }
    }
}

} // namespace
} // namespace qv
