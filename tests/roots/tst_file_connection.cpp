// File connections and the application namespace: names of another document under the connection's
// prefix, files that cannot give names, documents connected to each other, undo.

#include "core/errors.h"
#include "core/knot.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "documents/scheme_document.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_descriptor.h"
#include "elements/scheme_filer.h"
#include "naming/namespace.h"
#include "roots/application_namespace.h"
#include "roots/file_connection.h"
#include "roots/root.h"

#include "support/naming_clients.h"
#include "support/textor_fakes.h"

#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace qv {
namespace file_connection_test {

// A processed document type whose files are "*.qvc".
class TConnectingDescriptor : public TSchemeDescriptor
{
    QV_CLASS(TConnectingDescriptor, TSchemeDescriptor)
    static QString GetTitle(TDescriptor) { return QStringLiteral("Connecting"); }
    static QString GetExtension(TDescriptor) { return QStringLiteral("qvc"); }
    static QString GetRootName(TDescriptor) { return QStringLiteral("Connecting"); }
    static int GetSortValue(TDescriptor) { return 30; }
    static const TElementClass* GetRootClass(TDescriptor) { return TRootWithProcessing::StaticClass(); }
};
QV_IMPLEMENT_CLASS(TConnectingDescriptor)

} // namespace file_connection_test

namespace {

using file_connection_test::TConnectingDescriptor;
using test::TTestNameHolder;
using test::TTestReference;

class FileConnections : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        ASSERT_TRUE(Dir.isValid());
        Registry.RegisterScheme(TConnectingDescriptor::StaticClass());
        ReleaseReferencedDocuments();
    }
    void TearDown() override
    {
        Holders.clear();
        Documents.clear();
        Libraries.clear();
        ReleaseReferencedDocuments();
        FreeApplicationNamespace();
        TTextorFixture::TearDown();
    }

    QString Path(const QString& name) const { return Dir.filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }

    // A processed document named `name` in the folder. Other documents come from Libraries (by
    // file name), else from the files through the referenced documents; ThrowFor raises instead.
    TScheme* MakeDocument(const QString& name)
    {
        auto scheme =
            std::make_unique<TScheme>(TRootWithProcessing::StaticClass(), QStringLiteral("Connecting"));
        scheme->SetFileName(Path(name));
        scheme->SetOpenScheme([this](TScheme*, const QString& fileName) -> TScheme* {
            if (fileName == ThrowFor)
                RaiseStr(4006, {fileName});
            const auto found = Libraries.find(fileName);
            if (found != Libraries.end())
                return found->second.get();
            return ReferencedScheme(fileName, &Registry);
        });
        Documents.push_back(std::move(scheme));
        return Documents.back().get();
    }
    // An in-memory document the connections find under `name` (an empty file of that name exists).
    TScheme* MakeLibrary(const QString& name, const TElementClass* rootClass = TRoot::StaticClass())
    {
        const QString fileName = WriteFile(name, QByteArray());
        auto scheme = std::make_unique<TScheme>(rootClass, QStringLiteral("Connecting"));
        scheme->SetFileName(fileName);
        TScheme* result = scheme.get();
        Libraries[fileName] = std::move(scheme);
        return result;
    }
    static TRoot* Root(TScheme* scheme) { return static_cast<TRoot*>(scheme->Root()); }
    static TNamespace* Names(TScheme* scheme) { return Root(scheme)->GeneralElementsNamespace(); }
    TTestNameHolder* AddName(TScheme* scheme, const QString& name, TNameVisibility visibility = nvPublic)
    {
        Holders.emplace_back(new TTestNameHolder(scheme, Names(scheme), name));
        Holders.back()->Visibility = visibility;
        if (visibility != nvPublic)
            Holders.back()->Item()->NotifyChanged();
        return Holders.back().get();
    }
    static TElement_FileConnection* Connect(TScheme* scheme, const QString& name, const QString& fileName)
    {
        auto* connection = static_cast<TElement_FileConnection*>(
            Root(scheme)->InsertNewElement(TElement_FileConnection::StaticClass(), nullptr, nullptr));
        connection->NameField()->SetText(name);
        connection->FileNameField()->SetPath(fileName);
        return connection;
    }
    static QStringList MessageTexts(TElement* element)
    {
        QStringList texts;
        if (element->Messages() != nullptr) {
            for (int i = 0; i < element->Messages()->Count(); ++i)
                texts.append(element->Messages()->Items(i)->GetText());
        }
        return texts;
    }

    QTemporaryDir Dir;
    TSchemeRegistry Registry;
    QString ThrowFor;
    std::vector<std::unique_ptr<TScheme>> Documents;
    std::map<QString, std::unique_ptr<TScheme>> Libraries;
    // Freed first.
    std::vector<TNodePtr<TTestNameHolder>> Holders;
};

TEST_F(FileConnections, PublicNamesAppearUnderThePrefixAndFollowTheConnection)
{
    TScheme* library = MakeLibrary(QStringLiteral("lib.qvc"));
    TTestNameHolder* alpha = AddName(library, QStringLiteral("Alpha"));
    AddName(library, QStringLiteral("Secret"), nvPrivate);
    TScheme* document = MakeDocument(QStringLiteral("doc.qvc"));
    TElement_FileConnection* connection =
        Connect(document, QStringLiteral("Lib"), Path(QStringLiteral("lib.qvc")));
    TNamespace* names = Names(document);

    EXPECT_EQ(names->FindByName(QStringLiteral("Alpha")), nullptr);
    EXPECT_EQ(names->FindByName(QStringLiteral("Lib.Secret")), nullptr);
    TTestReference reference(names, QStringLiteral("Lib.Alpha"));
    ASSERT_NE(reference.Target(), nullptr);
    EXPECT_EQ(reference.Target()->Origin(), alpha->Item());
    // A use of a connected name is a use of the connection's name.
    ASSERT_NE(connection->NameField()->Item(), nullptr);
    EXPECT_EQ(connection->NameField()->Item()->ReferenceCount(), 1);
    EXPECT_EQ(library->Dependants(), QList<TScheme*>{document});

    // Renaming the connection renames what comes through it.
    connection->NameField()->SetText(QStringLiteral("Ext"));
    EXPECT_EQ(reference.Text, QStringLiteral("Ext.Alpha"));
    ASSERT_NE(reference.Target(), nullptr);

    // Disabled, or without a name, it connects nothing; enabled again, the reference comes back.
    connection->SetDisabled(true);
    EXPECT_EQ(reference.Target(), nullptr);
    EXPECT_TRUE(library->Dependants().isEmpty());
    connection->SetDisabled(false);
    EXPECT_NE(reference.Target(), nullptr);
    connection->NameField()->SetText(QString());
    EXPECT_EQ(reference.Target(), nullptr);
    EXPECT_TRUE(library->Dependants().isEmpty());

    // "Autoname" names the connection after its file, offered only while there is a file name.
    QList<TPaletteItem*> commands;
    connection->NameField()->GetPaletteItems(commands);
    ASSERT_FALSE(commands.isEmpty());
    TPaletteItem* autoName = commands.last();
    ASSERT_TRUE(connection->NameField()->ExecutePaletteItem(autoName, true));
    EXPECT_NE(names->FindByName(QStringLiteral("lib.Alpha")), nullptr);
    connection->FileNameField()->SetPath(QString());
    TPaletteItemState state;
    connection->NameField()->GetPaletteItemState(autoName, state);
    EXPECT_FALSE(state.Enabled);
}

TEST_F(FileConnections, ApplicationNamesReachProcessedDocumentsOnly)
{
    CreateApplicationNamespace();
    TScheme* document = MakeDocument(QStringLiteral("doc.qvc"));
    TNamespaceItem* name = Names(document)->FindByName(QStringLiteral("ApplicationName"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->Flags(), nfReserved | nfHidden | nfSecondary);
    EXPECT_EQ(static_cast<TApplicationValueElement*>(name->Element())->Value(), LoadStr(4000));
    EXPECT_NE(Names(document)->FindByName(QStringLiteral("ApplicationVersion")), nullptr);
    // Reserved: a document's own element may not take it.
    TTestNameHolder* taken = AddName(document, QStringLiteral("ApplicationName"));
    EXPECT_EQ(taken->Item()->State(), nsReserved);

    // Another thread (a generation run) gets values of its own: the shared ones stay untouched.
    const qsizetype connections = ApplicationNamespace()->Connections().size();
    bool found = false;
    TNamespace* seen = nullptr;
    std::thread([&] {
        TScheme copy(TRootWithProcessing::StaticClass(), QStringLiteral("Connecting"));
        TNamespaceItem* item = Names(&copy)->FindByName(QStringLiteral("ApplicationVersion"));
        found = item != nullptr;
        seen = ApplicationNamespace();
    }).join();
    EXPECT_TRUE(found);
    EXPECT_NE(seen, ApplicationNamespace());
    EXPECT_EQ(ApplicationNamespace()->Connections().size(), connections);

    // A plain root has none, and a connected document does not pass its own on.
    EXPECT_EQ(Names(MakeLibrary(QStringLiteral("lib.qvc")))->FindByName(QStringLiteral("ApplicationName")),
              nullptr);
    MakeLibrary(QStringLiteral("other.qvc"), TRootWithProcessing::StaticClass());
    Connect(document, QStringLiteral("Other"), Path(QStringLiteral("other.qvc")));
    EXPECT_EQ(Names(document)->FindByName(QStringLiteral("Other.ApplicationName")), nullptr);
}

TEST_F(FileConnections, FilesThatGiveNoNamesAreReportedOnTheFileName)
{
    WriteFile(QStringLiteral("notes.txt"), QByteArrayLiteral("text"));
    WriteFile(QStringLiteral("broken.qvc"), QByteArrayLiteral("anything"));
    const struct
    {
        const char* Name;
        QString File;
        QString Expected;
    } rows[] = {
        {"missing", Path(QStringLiteral("gone.qvc")), LoadStr(2700, {Path(QStringLiteral("gone.qvc"))})},
        {"not a document type", Path(QStringLiteral("notes.txt")),
         LoadStr(4336, {Path(QStringLiteral("notes.txt"))})},
        {"unreadable", Path(QStringLiteral("broken.qvc")),
         LoadStr(4335,
                 {Path(QStringLiteral("broken.qvc")), LoadStr(4006, {Path(QStringLiteral("broken.qvc"))})})},
        {"itself", Path(QStringLiteral("doc.qvc")), LoadStr(4337)},
    };
    ThrowFor = Path(QStringLiteral("broken.qvc"));
    WriteFile(QStringLiteral("doc.qvc"), QByteArray());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TScheme* document = MakeDocument(QStringLiteral("doc.qvc"));
        TElement_FileConnection* connection = Connect(document, QStringLiteral("Lib"), row.File);
        EXPECT_EQ(connection->Connection()->Source(), nullptr);
        // Messages show without the link marks.
        EXPECT_EQ(MessageTexts(connection->FileNameField()),
                  QStringList{QString(row.Expected).remove(u'[').remove(u']')});
    }

    // A missing file is not remembered as giving nothing: once it exists, reconnecting finds it.
    TElement_FileConnection* connection = Connect(MakeDocument(QStringLiteral("doc.qvc")),
                                                  QStringLiteral("Lib"), Path(QStringLiteral("later.qvc")));
    MakeLibrary(QStringLiteral("later.qvc"));
    connection->Reconnect();
    EXPECT_NE(connection->Connection()->Source(), nullptr);
    EXPECT_TRUE(MessageTexts(connection->FileNameField()).isEmpty());
}

TEST_F(FileConnections, DocumentsConnectedToEachOtherLoadAndRelease)
{
    const QByteArray header = "<Connecting FormatVersion=\"1.2\">\r\n";
    WriteFile(QStringLiteral("a.qvc"),
              header + "\t<FileConnection FileName=\"b.qvc\">\r\n\t\t<Name Value=\"ToB\"/>\r\n"
                       "\t</FileConnection>\r\n</Connecting>\r\n");
    WriteFile(QStringLiteral("b.qvc"),
              header + "\t<FileConnection FileName=\"a.qvc\">\r\n\t\t<Name Value=\"ToA\"/>\r\n"
                       "\t</FileConnection>\r\n</Connecting>\r\n");
    {
        TSchemeDocument a(TConnectingDescriptor::StaticClass());
        a.Scheme()->SetOpenScheme(
            [this](TScheme*, const QString& fileName) { return ReferencedScheme(fileName, &Registry); });
        a.LoadFromFile(Path(QStringLiteral("a.qvc")));
        TNamespace* names = Names(a.Scheme());
        ASSERT_NE(names->FindByName(QStringLiteral("ToB")), nullptr);
        // The other document's own name comes through; nothing of this one comes back round.
        TNamespaceItem* toA = names->FindByName(QStringLiteral("ToB.ToA"));
        ASSERT_NE(toA, nullptr);
        EXPECT_EQ(toA->Element()->Scheme()->FileName(), Path(QStringLiteral("b.qvc")));
        EXPECT_EQ(names->FindByName(QStringLiteral("ToB.ToA.ToB")), nullptr);
        EXPECT_EQ(ReferencedDocumentCount(), 2);
    }
    ReleaseReferencedDocuments();
    EXPECT_EQ(ReferencedDocumentCount(), 0);
}

TEST_F(FileConnections, ChangesOfNameAndFileAreUndoneAndStored)
{
    TScheme* first = MakeLibrary(QStringLiteral("first.qvc"));
    AddName(first, QStringLiteral("Alpha"));
    TScheme* second = MakeLibrary(QStringLiteral("second.qvc"));
    AddName(second, QStringLiteral("Beta"));
    TUndoRedo undo;
    TScheme* document = MakeDocument(QStringLiteral("doc.qvc"));
    document->SetUndoRedo(&undo);
    TElement_FileConnection* connection =
        Connect(document, QStringLiteral("Lib"), Path(QStringLiteral("first.qvc")));
    const int32_t id = connection->ID();
    TNamespace* names = Names(document);
    auto visible = [&] {
        QStringList list;
        for (const QString name : {"Lib.Alpha", "Lib.Beta", "Ext.Alpha", "Ext.Beta"}) {
            if (names->FindByName(name) != nullptr)
                list.append(name);
        }
        return list;
    };
    ASSERT_EQ(visible(), QStringList{"Lib.Alpha"});

    auto current = [&] {
        return static_cast<TElement_FileConnection*>(document->FindElementByID(id));
    };
    current()->FileNameField()->PostPath(Path(QStringLiteral("second.qvc")));
    EXPECT_EQ(visible(), QStringList{"Lib.Beta"});
    current()->NameField()->ReplaceWithText(tetAll, nullptr, false, QStringLiteral("Ext"));
    EXPECT_EQ(visible(), QStringList{"Ext.Beta"});

    TKnot file;
    document->SaveToKnot(document->Root(), fmFile, &file, ffFileSave);
    EXPECT_EQ(file.SaveToText(), QStringLiteral("<Connecting FormatVersion=\"1.2\">\r\n"
                                                "\t<FileConnection FileName=\"second.qvc\">\r\n"
                                                "\t\t<Name Value=\"Ext\"/>\r\n"
                                                "\t</FileConnection>\r\n"
                                                "</Connecting>\r\n"));

    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(visible(), QStringList{"Lib.Beta"});
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(visible(), QStringList{"Lib.Alpha"});
    ASSERT_TRUE(undo.Redo());
    ASSERT_TRUE(undo.Redo());
    EXPECT_EQ(visible(), QStringList{"Ext.Beta"});

    // Deleting the connection lets go of the other document; undo connects it again.
    Root(document)->ReplaceWithText(tetAll, nullptr, false, QString());
    EXPECT_TRUE(visible().isEmpty());
    EXPECT_TRUE(second->Dependants().isEmpty());
    ASSERT_TRUE(undo.Undo());
    EXPECT_EQ(visible(), QStringList{"Ext.Beta"});
    EXPECT_EQ(second->Dependants(), QList<TScheme*>{document});
    undo.Clear();
}

} // namespace
} // namespace qv
