// Folder and file-name elements: relative forms, resolving through the search folders, storage,
// the clipboard, the choosers and undo, in temporary folders.

#include "core/knot.h"
#include "core/paths.h"
#include "core/strings.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "fields/textor_element.h"
#include "library/file_manager.h"
#include "library/path_element.h"
#include "textor/sheet_settings.h"

#include "support/fake_user_interface.h"
#include "support/test_elements.h"
#include "support/textor_fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

namespace qv {
namespace {

// A document root holding folders and file names, with an inline file-name part "Source".
class TPathsTestRoot : public test::TTestContainer
{
    QV_CLASS(TPathsTestRoot, test::TTestContainer)

    explicit TPathsTestRoot(TScheme* scheme) : test::TTestContainer(scheme)
    {
        FSource = CreatePart<TFileNameField>();
    }

    TFileNameField* Source() const { return FSource; }

    void GetAcceptedClasses(TElementClassList& list) override
    {
        list.append(TElement_Path::StaticClass());
        list.append(TElement_FileName::StaticClass());
    }
    bool ChildMessage(TElement* child, int msg, void* param, void* data) override
    {
        if (msg != tmFileFilters)
            return inherited::ChildMessage(child, msg, param, data);
        static_cast<TFileDialogFilters*>(param)->Add(QStringLiteral("Pictures"), QStringLiteral("png"));
        static_cast<TFileDialogFilters*>(param)->Add(QStringLiteral("Pictures"), QStringLiteral("PNG"));
        return true;
    }
    QString GetPartKnotName(TElement* part, uint8_t filerMode) override
    {
        return part == FSource ? QStringLiteral("Source") : inherited::GetPartKnotName(part, filerMode);
    }

private:
    TFileNameField* FSource;
};

QV_IMPLEMENT_CLASS(TPathsTestRoot)

class TRecordingFileManager : public IFileManager
{
public:
    QStringList Shown;
    void ShowInFolder(const QString& file) override { Shown.append(file); }
};

class PathElements : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterPathElements();
        ASSERT_TRUE(Temp.isValid());
        Base = QDir(Temp.path()).canonicalPath() + u'/';
        for (const char* folder : {"Docs/img", "Data", "Lib/Sub", "Library", "Secret"})
            QDir().mkpath(Base + QLatin1String(folder));
        for (const char* file : {"Docs/img/x.png", "Lib/Sub/u.pas", "Library/u.pas", "Secret/k"})
            Touch(Base + QLatin1String(file));
        Scheme = MakeScheme();
    }
    void TearDown() override
    {
        Undo.Clear();
        Scheme.reset();
        TTextorFixture::TearDown();
    }

    static void Touch(const QString& file)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    std::unique_ptr<TScheme> MakeScheme(const QString& fileName = QString())
    {
        auto scheme = std::make_unique<TScheme>(TPathsTestRoot::StaticClass(), QStringLiteral("PathsTest"));
        scheme->SetFileName(fileName.isEmpty() ? Base + QStringLiteral("Docs/a.qvt") : fileName);
        scheme->SetUndoRedo(&Undo);
        return scheme;
    }
    TPathsTestRoot* Root() const { return static_cast<TPathsTestRoot*>(Scheme->Root()); }

    template <class C>
    C* Insert(const QString& fullPath = QString())
    {
        auto* element = static_cast<C*>(C::StaticClass()->CreateElement(Scheme.get()).release());
        Root()->AppendElement(element);
        if (!fullPath.isEmpty())
            element->SetPath(fullPath);
        return element;
    }

    // The element's stored "Value" when saved into a node of its own.
    static QString Stored(TElement* element, uint8_t flags = ffFileSave)
    {
        TKnot knot;
        element->SaveTo(&knot, fmFile, flags);
        return knot.ReadString(QStringLiteral("Value"));
    }

    QTemporaryDir Temp;
    QString Base;
    TUndoRedo Undo;
    std::unique_ptr<TScheme> Scheme;
    TFakeUserInterface Ui;
    TScopedUserInterface UiScope{&Ui};
    TFakeClipboard Clip;
    TFakeUrlOpener Urls;
    TScopedDesktop Desktop{&Clip, &Urls};
};

TEST_F(PathElements, StoredFormIsRelativeToTheLastSearchFolderHoldingItElseToTheDocument)
{
    struct TRow
    {
        const char* Name;
        bool Folder;
        const char* Full;          // below Base
        QStringList SearchFolders; // below Base
        const char* Expected;
    };
    const TRow rows[] = {
        {"file below the document", false, "Docs/img/x.png", {}, "img/x.png"},
        {"the document's folder", true, "Docs/", {}, "./"},
        {"a sibling folder", true, "Data/", {}, "../Data/"},
        {"search folder", false, "Lib/Sub/u.pas", {"Lib/"}, "Sub/u.pas"},
        {"last search folder first", false, "Lib/Sub/u.pas", {"Lib/Sub/", "Lib/"}, "Sub/u.pas"},
        {"search folder without delimiter", false, "Lib/Sub/u.pas", {"Lib"}, "Sub/u.pas"},
        {"/Lib does not hold /Library", false, "Library/u.pas", {"Lib"}, "../Library/u.pas"},
        {"names compare with case", false, "Lib/Sub/u.pas", {"lib/"}, "../Lib/Sub/u.pas"},
        {"dot-dot parts stay as written", false, "Docs/../Data/f", {}, nullptr},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Scheme->SearchFolders().clear();
        for (const QString& folder : row.SearchFolders)
            Scheme->SearchFolders().append(Base + folder);
        const QString full = Base + QLatin1String(row.Full);
        TCustomPathOrFileNameElement* element;
        if (row.Folder)
            element = Insert<TElement_Path>(full);
        else
            element = Insert<TElement_FileName>(full);
        const QString expected = row.Expected != nullptr ? QString::fromLatin1(row.Expected) : full;
        EXPECT_EQ(element->RelativeValue(), expected);
        EXPECT_EQ(Stored(element), expected);
        EXPECT_EQ(element->DisplayValue(), expected);
        EXPECT_EQ(element->ResolveStoredPath(expected), full) << "resolving gives the same path back";
    }
}

TEST_F(PathElements, ResolvingPrefersTheDocumentAndNeverLeavesASearchFolder)
{
    Scheme->SearchFolders() = {Base + QStringLiteral("Lib/")};
    TElement_FileName* element = Insert<TElement_FileName>();
    const QString inLib = Base + QStringLiteral("Lib/Sub/u.pas");
    const QString inDocs = Base + QStringLiteral("Docs/Sub/u.pas");
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("Sub/u.pas")), inLib)
        << "only the search folder has it";
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("Sub\\u.pas")), inLib) << "\\ counts as /";
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("Sub/u.pas"), prmDocumentOnly), inDocs);
    // Lib/../Secret/k exists, but outside the search folder.
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("../Secret/k")), Base + QStringLiteral("Secret/k"))
        << "document-relative";
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("../../Secret/k")),
              ExpandRelativePath(Base + QStringLiteral("Docs/"), QStringLiteral("../../Secret/k")));
    QDir().mkpath(Base + QStringLiteral("Docs/Sub"));
    Touch(inDocs);
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("Sub/u.pas")), inDocs) << "the document wins";
    EXPECT_EQ(element->ResolveStoredPath(QStringLiteral("/abs/../x")), QStringLiteral("/abs/../x"));
}

TEST_F(PathElements, RelativeFormThenResolveGivesTheSamePathThroughSymlinksAndDotDot)
{
    QDir().mkpath(Base + QStringLiteral("real/deep"));
    ASSERT_TRUE(QFile::link(Base + QStringLiteral("real/deep"), Base + QStringLiteral("link")));
    struct TRow
    {
        const char* Document;
        const char* Full;
    };
    const TRow rows[] = {
        {"link/a.qvt", "link/img/x.png"}, {"link/a.qvt", "Data/f.txt"},   {"link/a.qvt", "real/deep/f"},
        {"Docs/a.qvt", "link/../f"},      {"Docs/a.qvt", "Docs/../../f"}, {"Docs/a.qvt", "/"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Full);
        Scheme->SetFileName(Base + QLatin1String(row.Document));
        const QString full =
            row.Full[0] == '/' ? QString::fromLatin1(row.Full) : Base + QLatin1String(row.Full);
        TElement_FileName* element = Insert<TElement_FileName>(full);
        EXPECT_EQ(element->ResolveStoredPath(element->RelativeValue()), full);
        EXPECT_EQ(element->ResolveStoredPath(element->RelativeValue(), prmDocumentOnly), full);
    }
}

TEST_F(PathElements, PasteAddsTheDelimiterAndCopyKeepsTheFullPath)
{
    TElement_Path* folder = Insert<TElement_Path>();
    Clip.SetText(Base + QStringLiteral("Data\n"));
    EXPECT_TRUE(folder->Paste());
    EXPECT_EQ(folder->FullPath(), Base + QStringLiteral("Data/"));
    folder->PostPath(QString());
    EXPECT_EQ(folder->FullPath(), QString());
    EXPECT_FALSE(folder->IsFilled());

    TElement_FileName* file = Insert<TElement_FileName>(Base + QStringLiteral("Docs/img/x.png"));
    file->Copy();
    EXPECT_EQ(Clip.Text(), file->FullPath());
    EXPECT_EQ(Stored(file, ffClipboard), file->FullPath()) << "a copied element names the same file";
    EXPECT_EQ(Stored(file), QStringLiteral("img/x.png"));
}

TEST_F(PathElements, UnsavedDocumentShowsTheFullPathAndARenameRepaintsRelativeForms)
{
    Scheme->SetFileName(QString());
    TSheetSettings settings;
    TSheet sheet{&settings};
    TElement_FileName* file = Insert<TElement_FileName>(Base + QStringLiteral("Docs/img/x.png"));
    file->SetVisualParent(sheet.TopElement());
    file->UpdateSize();
    EXPECT_EQ(file->DisplayValue(), file->FullPath());
    const int fullWidth = file->Width();
    Scheme->SetFileName(Base + QStringLiteral("Docs/a.qvt"));
    EXPECT_EQ(file->DisplayValue(), QStringLiteral("img/x.png"));
    EXPECT_LT(file->Width(), fullWidth) << "the element measured its new relative form";
    file->SetVisualParent(nullptr);
}

TEST_F(PathElements, MissingPathsAreReportedAndEnterChoosesInsteadOfOpening)
{
    struct TRow
    {
        bool Folder;
        const char* Full;
        int Message; // 0: none
        const char* Call;
    };
    const TRow rows[] = {
        {false, "Docs/img/x.png", 0, "OpenFile"},
        {false, "Docs/img/missing.png", 2700, "ChooseOpenFiles"},
        {true, "Data/", 0, "OpenFile"},
        {true, "Nowhere/", 2693, "ChooseFolder"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Full);
        const QString full = Base + QLatin1String(row.Full);
        TCustomPathOrFileNameElement* element;
        if (row.Folder)
            element = Insert<TElement_Path>(full);
        else
            element = Insert<TElement_FileName>(full);
        element->Check();
        if (row.Message == 0) {
            EXPECT_TRUE(element->IsValid());
        } else {
            ASSERT_NE(element->Messages(), nullptr);
            EXPECT_EQ(element->Messages()->Items(0)->Kind(), mkInvalidContent);
            EXPECT_EQ(element->Messages()->Items(0)->GetText(),
                      LoadStr(row.Message, {full}).remove(u'[').remove(u']'));
        }
        Ui.Calls.clear();
        int key = Qt::Key_Return;
        element->KeyDown(key, Qt::NoModifier);
        EXPECT_EQ(key, 0);
        ASSERT_EQ(Ui.Calls.size(), 1);
        EXPECT_TRUE(Ui.Calls[0].startsWith(QLatin1String(row.Call))) << Ui.Calls[0].toStdString();
    }
    EXPECT_TRUE(Ui.Calls[0].contains(LoadStr(2690))) << "the folder chooser's title";

    TElement_FileName* file = Insert<TElement_FileName>(Base + QStringLiteral("Secret/k"));
    Ui.OpenFileAnswer = {osFailed, 5};
    int key = Qt::Key_Return;
    EXPECT_NO_THROW(file->KeyDown(key, Qt::NoModifier));
    EXPECT_TRUE(Ui.Calls.last().startsWith(QLatin1String("ShowError: "))) << "shown, not raised from a key";
}

TEST_F(PathElements, ChoosersStartAtThePathAndPostTheChoice)
{
    TElement_FileName* file = Insert<TElement_FileName>(Base + QStringLiteral("Docs/img/x.png"));
    Ui.OpenFilesAnswer = {Base + QStringLiteral("Secret/k")};
    file->Choose();
    EXPECT_EQ(Ui.Calls.value(0), QStringLiteral("ChooseOpenFiles: %1|Pictures (*.png);;All Files (*)|%2|0")
                                     .arg(LoadStr(2695), Base + QStringLiteral("Docs/img/x.png")));
    EXPECT_EQ(file->FullPath(), Base + QStringLiteral("Secret/k"));

    TRecordingFileManager manager;
    TScopedService<IFileManager> installed(&manager);
    EXPECT_TRUE(file->ExecutePaletteItem(PathPaletteItems().Location, true));
    EXPECT_EQ(manager.Shown, QStringList{file->FullPath()});
    file->SetPath(Base + QStringLiteral("gone"));
    file->ShowInFolder();
    EXPECT_EQ(manager.Shown.size(), 1) << "nothing for a missing file";
}

TEST_F(PathElements, PaletteOffersTheClassItemsThenTheOptionsWithTheirStates)
{
    const TPathPaletteItems& items = PathPaletteItems();
    TElement_FileName* file = Insert<TElement_FileName>();
    TElement_Path* folder = Insert<TElement_Path>(Base + QStringLiteral("Data/"));
    folder->SetStoreAbsolute(true);
    const QList<TPaletteItem*> options = {items.ShowAbsolute, items.ShowRelative, items.StoreAbsolute,
                                          items.StoreRelative};
    struct TRow
    {
        TCustomPathOrFileNameElement* Element;
        QList<TPaletteItem*> Expected;
        QString States; // per item: E enabled, C checked, - neither
    };
    const TRow rows[] = {
        {file, QList<TPaletteItem*>{items.ChooseFile, items.Location, items.OpenFile} + options, "E--ECEC"},
        {folder, QList<TPaletteItem*>{items.ChoosePath, items.OpenPath} + options, "EEECCE"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Element->ClassType()->ClassName().toStdString());
        QList<TPaletteItem*> list;
        row.Element->GetPaletteItems(list);
        ASSERT_GE(list.size(), row.Expected.size());
        EXPECT_EQ(list.mid(0, row.Expected.size()), row.Expected);
        QString states;
        for (TPaletteItem* item : row.Expected) {
            TPaletteItemState state;
            row.Element->GetPaletteItemState(item, state);
            states += state.Checked ? u'C' : state.Enabled ? u'E' : u'-';
        }
        EXPECT_EQ(states, row.States);
    }
}

TEST_F(PathElements, EachOperationIsUndone)
{
    const TPathPaletteItems& items = PathPaletteItems();
    TElement_Path* folder = Insert<TElement_Path>(Base + QStringLiteral("Data/"));
    struct TRow
    {
        const char* Name;
        std::function<void()> Run;
        std::function<QString()> State;
    };
    const auto state = [folder] {
        return QStringLiteral("%1|%2").arg(folder->FullPath()).arg(folder->PathOptions());
    };
    const TRow rows[] = {
        {"path", [&] { folder->PostPath(Base + QStringLiteral("Docs")); }, state},
        {"show absolute", [&] { folder->ExecutePaletteItem(items.ShowAbsolute, true); }, state},
        {"store absolute", [&] { folder->ExecutePaletteItem(items.StoreAbsolute, true); }, state},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString before = row.State();
        row.Run();
        const QString after = row.State();
        EXPECT_NE(after, before);
        ASSERT_TRUE(Undo.Undo());
        EXPECT_EQ(row.State(), before);
        ASSERT_TRUE(Undo.Redo());
        EXPECT_EQ(row.State(), after);
        ASSERT_TRUE(Undo.Undo());
    }
}

TEST_F(PathElements, GoldenDocumentRoundTrip)
{
    QFile golden(QStringLiteral(TEST_DATA_DIR "/paths.qvt"));
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
    const QByteArray expected = golden.readAll();
    // Relative forms written elsewhere with "\" are read and written back with "/".
    QByteArray input = expected;
    input.replace("Source=\"img/x.png\"", "Source=\"img\\x.png\"");
    const QString file = Base + QStringLiteral("Docs/a.qvt");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(input);
    out.close();

    Scheme = MakeScheme(file);
    Scheme->SearchFolders() = {Base + QStringLiteral("Lib/")};
    Scheme->LoadFromFile(file);
    EXPECT_EQ(Root()->Source()->FullPath(), Base + QStringLiteral("Docs/img/x.png"));
    const auto files = Root()->CollectAll<TElement_FileName>();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0]->FullPath(), Base + QStringLiteral("Lib/Sub/u.pas"));
    EXPECT_EQ(Scheme->SaveToBytes(), expected);
}

} // namespace
} // namespace qv
