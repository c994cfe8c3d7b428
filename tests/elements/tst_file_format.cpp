#include "core/errors.h"
#include "core/knot.h"
#include "core/safe_file.h"
#include "core/strings.h"
#include "elements/element_messages.h"
#include "elements/element_unaccepted.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "support/printers.h"
#include "support/scoped_environment.h"
#include "support/test_elements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/file.h>

namespace qv {
namespace {

using namespace qv::test;

QByteArray ReadBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString DataDir()
{
    return QStringLiteral(TEST_DATA_DIR "/fileformat");
}

// "kind<TAB>number<TAB>text" per message.
QStringList MessageLines(const TElementMessages& messages)
{
    QStringList lines;
    for (int i = 0; i < messages.Count(); ++i)
        lines.append(QString::number(messages.Items(i)->Kind()) + u'\t' + messages.Items(i)->GetText());
    return lines;
}

// The text must be string `number` with its parameters filled in.
bool MatchesString(int number, const QString& text)
{
    // The square brackets mark the link part; they are not shown.
    QString format = LoadStr(number);
    format.remove(u'[').remove(u']');
    QStringList pieces = format.split(QRegularExpression(QStringLiteral("%[1-9]")));
    for (QString& piece : pieces)
        piece = QRegularExpression::escape(piece);
    const QRegularExpression pattern(QStringLiteral("^") + pieces.join(QStringLiteral("(.*)")) +
                                     QStringLiteral("$"));
    return !LoadStr(number).isEmpty() && pattern.match(text).hasMatch();
}

// The log's messages, then every element's own messages in document order (as Check All collects
// them).
QStringList AllMessageLines(const TScheme& scheme, const TElementMessages& log)
{
    QStringList lines = MessageLines(log);
    for (TElement* element : scheme.Root()->CollectAll<TElement>()) {
        if (element->Messages() != nullptr)
            lines += MessageLines(*element->Messages());
    }
    return lines;
}

// Every input document of the corpus lies beside the bytes its saving must give (".saved") and the
// messages its loading must give (".messages": kind, string number and text per line, the log's
// first, then the elements' own; absent when there are none). The file's extension chooses the
// document type, never its root node's name.
TEST(FileFormat, CorpusLoadsAndSavesExactly)
{
    const QStringList inputs = QDir(DataDir()).entryList({QStringLiteral("*.frt"), QStringLiteral("*.prm")},
                                                         QDir::Files, QDir::Name);
    ASSERT_GE(inputs.size(), 20);
    for (const QString& name : inputs) {
        SCOPED_TRACE(name.toStdString());
        const QString input = DataDir() + u'/' + name;
        TElementMessages messages;
        TScheme scheme(TTestRoot::StaticClass(), TestRootName(QFileInfo(name).suffix()));
        scheme.SetMessages(&messages);
        scheme.LoadFromFile(input);
        EXPECT_EQ(scheme.FileName(), input);
        EXPECT_EQ(scheme.UpdateCount(), 0);

        const QByteArray expectedBytes = ReadBytes(input + QStringLiteral(".saved"));
        ASSERT_FALSE(expectedBytes.isEmpty()) << "missing " << name.toStdString() << ".saved";
        EXPECT_EQ(scheme.SaveToBytes(), expectedBytes);

        QStringList expected;
        const QString messagesText = QString::fromUtf8(ReadBytes(input + QStringLiteral(".messages")));
        for (const QString& line : messagesText.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(u'\t');
            ASSERT_EQ(fields.size(), 3) << line.toStdString();
            EXPECT_TRUE(MatchesString(fields[1].toInt(), fields[2])) << line.toStdString();
            expected.append(fields[0] + u'\t' + fields[2]);
        }
        EXPECT_EQ(AllMessageLines(scheme, messages), expected);
        const bool partial = messagesText.contains(QStringLiteral("\t2327\t")) ||
                             messagesText.contains(QStringLiteral("\t2328\t")) ||
                             messagesText.contains(QStringLiteral("\t2329\t"));
        EXPECT_EQ(scheme.LoadedInPart(), partial)
            << "read in part exactly when corrupt, newer or not all read";

        // What was saved loads again into the same bytes, and reports nothing new.
        TKnot again;
        again.LoadFromStream(expectedBytes);
        TElementMessages secondMessages;
        TScheme second(TTestRoot::StaticClass(), TestRootName(QFileInfo(name).suffix()));
        second.SetMessages(&secondMessages);
        second.LoadFromKnot(second.Root(), fmFile, &again);
        EXPECT_EQ(second.SaveToBytes(), expectedBytes);
    }
}

// The saved documents are well-formed XML for an independent parser.
TEST(FileFormat, SavedDocumentsAreWellFormedXml)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        GTEST_SKIP() << "xmllint is not installed";
    const QStringList saved = QDir(DataDir()).entryList({QStringLiteral("*.saved")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(saved.isEmpty());
    // XML 1.0 has no character references for most control characters; the knot text does.
    const QRegularExpression forbidden(QStringLiteral("&#([0-8]|1[1-2]|1[4-9]|2[0-9]|3[01]);"));
    for (const QString& name : saved) {
        // And comments are no knot text: one read as an element is kept as it was read.
        const QString text = QString::fromUtf8(ReadBytes(DataDir() + u'/' + name));
        if (forbidden.match(text).hasMatch() || text.contains(QStringLiteral("<!--")))
            continue;
        QProcess process;
        process.start(xmllint, {QStringLiteral("--noout"), DataDir() + u'/' + name});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0)
            << name.toStdString() << ": " << process.readAllStandardError().toStdString();
    }
}

TEST(FileFormat, FormatVersionsReadAsMajorTimesThousandPlusMinor)
{
    struct TRow
    {
        const char* Text; // null: attribute missing
        int Version;
    };
    const TRow rows[] = {
        {nullptr, 1200}, {"1.2", 1200},    {"1.25", 1250}, {"1.02", 1020},
        {"2.0", 2000},   {"2", 2000},      {"1.3", 1300},  {"", 1000},
        {"x.y", 1000},   {"1.2000", 3000}, {".5", 1500},   {"99999999", INT_MAX},
    };
    for (const TRow& row : rows) {
        const QString text = QString::fromUtf8(row.Text);
        EXPECT_EQ(ParseFormatVersion(row.Text != nullptr ? &text : nullptr), row.Version)
            << (row.Text ? row.Text : "(missing)");
    }
}

TEST(FileFormat, RenamedClassesTranslate)
{
    EXPECT_EQ(TranslateElementTypeName(QStringLiteral("Class")), QStringLiteral("Object"));
    EXPECT_EQ(TranslateElementTypeName(QStringLiteral("ExeConsoleGenerator")),
              QStringLiteral("ConsoleApplicationGenerator"));
    EXPECT_EQ(TranslateElementTypeName(QStringLiteral("EventHandler")), QStringLiteral("Handler"));
    EXPECT_EQ(TranslateElementTypeName(QStringLiteral("MethodOverride")), QStringLiteral("Override"));
    EXPECT_EQ(TranslateElementTypeName(QStringLiteral("TryFinally")), QStringLiteral("Rockfall"));
    EXPECT_EQ(TranslateElementTypeName(QStringLiteral("class")), QStringLiteral("class"));
}

// Snapshots

struct Snapshot : ::testing::Test
{
    TElementMessages Messages;
    TScheme Scheme{TTestRoot::StaticClass(), QStringLiteral("FreeText")};
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());

    void SetUp() override
    {
        Scheme.SetMessages(&Messages);
        Root->Title()->SetText(QStringLiteral("Title"));
        Root->Content().append(TTestRun{QStringLiteral("one"), QStringLiteral("tag")});
        Root->Content().append(TTestBreak{});
        auto* rockfall = new TElement_Rockfall(&Scheme);
        rockfall->Condition()->SetText(QString());
        rockfall->SetDisabled(true);
        Root->AppendElement(rockfall);
        auto* note = new TElement_Note(&Scheme);
        Root->AppendElement(note);
        note->AppendElement(new TElement_Star(&Scheme));
    }

    QList<int32_t> Identifiers(TElement* root)
    {
        QList<int32_t> ids;
        for (TElement* element : root->CollectAll<TElement>())
            ids.append(element->ID());
        return ids;
    }
};

// A snapshot restores the identical tree with the identical IDs, and new elements never collide
// with restored ones.
TEST_F(Snapshot, RestoresTheTreeAndItsIdentifiers)
{
    TKnot snapshot;
    Scheme.SaveToKnot(Root, fmSnapshot, &snapshot, 0);
    const QString text = snapshot.SaveToText();
    EXPECT_TRUE(text.contains(QStringLiteral("<Title ID=\"%1\" Value=\"Title\"/>").arg(Root->Title()->ID())));
    const QList<int32_t> ids = Identifiers(Root);

    // Change the tree, then give it up as an undo would.
    Root->Title()->SetText(QStringLiteral("changed"));
    Root->AppendElement(new TElement_Star(&Scheme));
    Scheme.ReplaceRoot(nullptr);

    TNodePtr<TElement> created = TTestRoot::StaticClass()->CreateElement(&Scheme);
    auto* restored = static_cast<TTestRoot*>(created.get());
    Scheme.ReplaceRoot(std::move(created));
    Scheme.LoadFromKnot(restored, fmSnapshot, &snapshot);
    EXPECT_EQ(Identifiers(restored), ids);
    TKnot again;
    Scheme.SaveToKnot(restored, fmSnapshot, &again, 0);
    EXPECT_EQ(again.SaveToText(), text);
    EXPECT_EQ(Messages.Count(), 0);
    EXPECT_EQ(Scheme.FindElementByID(ids.last()), restored->CollectAll<TElement_Star>().back());

    const int32_t highest = *std::max_element(ids.begin(), ids.end());
    TElement_Star fresh(&Scheme);
    EXPECT_GT(fresh.ID(), highest);
}

TEST_F(Snapshot, TheCounterMovesPastRestoredIdentifiers)
{
    TElement_Star probe(&Scheme);
    TKnot knot(QStringLiteral("Star"));
    knot.WriteInt(QStringLiteral("ID"), probe.ID() + 480);
    TElement_Star restored(&Scheme);
    restored.LoadFrom(&knot, fmSnapshot, 0);
    EXPECT_EQ(restored.ID(), probe.ID() + 480);
    TElement_Star next(&Scheme);
    EXPECT_EQ(next.ID(), probe.ID() + 481);
}

// A stored ID that is missing or not positive would collide: the element keeps its fresh one.
TEST_F(Snapshot, KeepsTheFreshIdentifierWithoutAStoredOne)
{
    const char* values[] = {nullptr, "0", "-5", "abc"};
    for (const char* value : values) {
        TKnot knot(QStringLiteral("Star"));
        if (value != nullptr)
            knot.WriteString(QStringLiteral("ID"), QString::fromUtf8(value));
        TElement_Star star(&Scheme);
        const int32_t fresh = star.ID();
        star.LoadFrom(&knot, fmSnapshot, 0);
        EXPECT_EQ(star.ID(), fresh) << (value ? value : "(missing)");
    }
}

TEST_F(Snapshot, SnapshotsReportNothingUnread)
{
    TKnot snapshot;
    Scheme.SaveToKnot(Root, fmSnapshot, &snapshot, 0);
    snapshot.WriteString(QStringLiteral("Unknown"), QStringLiteral("1"));
    snapshot.AddKnot(QStringLiteral("Chars"))->WriteString(QStringLiteral("Bold"), QStringLiteral("1"));
    TScheme copy(TTestRoot::StaticClass(), QStringLiteral("FreeText"));
    TElementMessages messages;
    copy.SetMessages(&messages);
    copy.LoadFromKnot(copy.Root(), fmSnapshot, &snapshot);
    EXPECT_EQ(messages.Count(), 0);
    // The same knot loaded as a file reports both.
    TScheme file(TTestRoot::StaticClass(), QStringLiteral("FreeText"));
    file.SetMessages(&messages);
    snapshot.SetReadMarks(false);
    file.LoadFromKnot(file.Root(), fmFile, &snapshot);
    EXPECT_GE(messages.Count(), 2);
}

// What the filer flags leave out of a saved tree.
TEST_F(Snapshot, FilerFlagsLeaveOutChildren)
{
    struct TRow
    {
        uint8_t Mode;
        uint8_t Flags;
        QString Expected;
    };
    const TRow rows[] = {
        {fmFile, ffFileSave,
         QStringLiteral("<FreeText FormatVersion=\"1.2\">\r\n\t<Title Value=\"Title\"/>\r\n\t<Chars "
                        "Value=\"one\" Data=\"tag\"/><Br/>\r\n"
                        "\t<Rockfall "
                        "Disabled=\"1\">\r\n\t\t<Condition/>\r\n\t</Rockfall>\r\n\t<Note>\r\n\t\t<Star/"
                        ">\r\n\t</Note>\r\n</FreeText>\r\n")},
        {fmFile, ffNoDisabled,
         QStringLiteral("<FreeText FormatVersion=\"1.2\">\r\n\t<Title Value=\"Title\"/>\r\n\t<Chars "
                        "Value=\"one\" Data=\"tag\"/><Br/>\r\n"
                        "\t<Note>\r\n\t\t<Star/>\r\n\t</Note>\r\n</FreeText>\r\n")},
        {fmFile, ffNoOptional,
         QStringLiteral(
             "<FreeText FormatVersion=\"1.2\">\r\n\t<Title Value=\"Title\"/>\r\n\t<Chars Value=\"one\" "
             "Data=\"tag\"/><Br/>\r\n"
             "\t<Rockfall Disabled=\"1\">\r\n\t\t<Condition/>\r\n\t</Rockfall>\r\n</FreeText>\r\n")},
    };
    for (const TRow& row : rows) {
        TKnot knot;
        Scheme.SaveToKnot(Root, row.Mode, &knot, row.Flags);
        EXPECT_EQ(knot.SaveToText(), row.Expected) << int(row.Flags);
    }

    // Placeholders are foreign: flag 0x20 leaves them out.
    TKnot source;
    source.LoadFromText(QStringLiteral("<FreeText><Method A=\"1\"/><Star/></FreeText>"));
    TScheme scheme(TTestRoot::StaticClass(), QStringLiteral("FreeText"));
    scheme.LoadFromKnot(scheme.Root(), fmFile, &source);
    TKnot withForeign;
    scheme.SaveToKnot(scheme.Root(), fmFile, &withForeign, 0);
    TKnot withoutForeign;
    scheme.SaveToKnot(scheme.Root(), fmFile, &withoutForeign, ffNoForeign);
    EXPECT_EQ(withForeign.KnotCount(), 2);
    EXPECT_EQ(withoutForeign.KnotCount(), 1);
}

TEST(FileFormat, UnsupportedNodesSurviveSnapshotsToo)
{
    TKnot source;
    source.LoadFromText(QStringLiteral("<FreeText><Method A=\"1\">\r\n<X B=\"&amp;\"/></Method></FreeText>"));
    TElementMessages messages;
    TScheme scheme(TTestRoot::StaticClass(), QStringLiteral("FreeText"));
    scheme.SetMessages(&messages);
    scheme.LoadFromKnot(scheme.Root(), fmFile, &source);
    auto placeholders = scheme.Root()->CollectAll<TElement_Unaccepted>();
    ASSERT_EQ(placeholders.size(), 1);
    EXPECT_EQ(placeholders[0]->NodeName(), QStringLiteral("Method"));
    EXPECT_EQ(placeholders[0]->DisplayLines(),
              (QStringList{QStringLiteral("<Method A=\"1\">"), QStringLiteral("        <X B=\"&amp;\"/>"),
                           QStringLiteral("</Method>")}));
    ASSERT_NE(placeholders[0]->Messages(), nullptr);
    EXPECT_EQ(placeholders[0]->Messages()->Items(0)->GetText(),
              QStringLiteral("Unsupported element \"Method\" in\u00A0this editor"));

    TKnot snapshot;
    scheme.SaveToKnot(scheme.Root(), fmSnapshot, &snapshot, 0);
    TScheme copy(TTestRoot::StaticClass(), QStringLiteral("FreeText"));
    copy.LoadFromKnot(copy.Root(), fmSnapshot, &snapshot);
    TKnot file;
    copy.SaveToKnot(copy.Root(), fmFile, &file, ffFileSave);
    EXPECT_EQ(
        file.SaveToText(),
        QStringLiteral("<FreeText FormatVersion=\"1.2\">\r\n\t<Method A=\"1\">\r\n\t\t<X B=\"&amp;\"/>\r\n"
                       "\t</Method>\r\n</FreeText>\r\n"));
}

// Loader details

// A free-position element that writes its ID into files.
class TPinned : public TVisualElement
{
    QV_CLASS(TPinned, TVisualElement)

    explicit TPinned(TScheme* scheme) : TVisualElement(scheme)
    {
        SetOptions(Options() | eoWithID);
        SetVisualOptions(voFreePosition);
    }
};
QV_IMPLEMENT_CLASS(TPinned)

TEST(FileFormat, FreePositionsAndStoredIdentifiers)
{
    TScheme scheme;
    TPinned pinned(&scheme);
    pinned.SetBounds(12, -3, 3, 10, 20);
    TKnot saved(QStringLiteral("Pinned"));
    pinned.SaveTo(&saved, fmFile, ffFileSave);
    EXPECT_EQ(saved.SaveToText(),
              QStringLiteral("<Pinned ID=\"%1\" Left=\"12\" Top=\"-3\"/>\r\n").arg(pinned.ID()));
    TKnot withoutPosition(QStringLiteral("Pinned"));
    pinned.SaveTo(&withoutPosition, fmFile, ffNoPosition);
    EXPECT_EQ(withoutPosition.SaveToText(), QStringLiteral("<Pinned ID=\"%1\"/>\r\n").arg(pinned.ID()));

    // Loading a file keeps the fresh ID and records the stored one; the position is read unless the
    // filer says otherwise, and the size stays.
    TElementMessages messages;
    scheme.SetMessages(&messages);
    TPinned loaded(&scheme);
    loaded.SetBounds(0, 0, 3, 7, 9);
    TKnot knot;
    knot.LoadFromText(QStringLiteral("<Pinned ID=\"4711\" Left=\"5\" Top=\"6\"/>"));
    {
        TSchemeLoader loader(&scheme, &messages, &knot, 0, fmFile);
        loaded.LoadFromKnot(&loader, &knot);
        EXPECT_EQ(loader.MappedID(4711), loaded.ID());
        EXPECT_EQ(loader.MappedID(12), 12);
        loader.Finish();
    }
    EXPECT_NE(loaded.ID(), 4711);
    EXPECT_EQ(loaded.BoundsRect(), QRect(5, 6, 9, 7));
    EXPECT_EQ(messages.Count(), 0);

    TPinned copy(&scheme);
    knot.LoadFromText(QStringLiteral("<Pinned Left=\"5\" Top=\"6\"/>"));
    copy.LoadFrom(&knot, fmFile, ffGenerationCopy | ffNoPosition);
    EXPECT_EQ(copy.State() & esGenerationCopy, esGenerationCopy);
    EXPECT_EQ(copy.BoundsRect(), QRect(0, 0, 0, 0));
    ASSERT_EQ(messages.Count(), 2) << "position attributes the loader was told to skip stay unread";
    EXPECT_EQ(messages.Items(0)->GetText(), QStringLiteral("Attribute \"Pinned.Left\" was not read"));
}

struct TProcLog
{
    static QStringList Calls;
    static void Run(TElement* element, TSchemeLoader* loader, TKnot* knot)
    {
        Calls.append(knot->Name() + u':' + QString::number(element->ID() > 0) + u':' +
                     QString::number(loader->Scheme()->UpdateCount()));
    }
};
QStringList TProcLog::Calls;

// Deferred procedures run at the end of the load, earliest first, while the scheme's bracket is
// still open; those of elements freed meanwhile do not run.
TEST(FileFormat, DeferredProceduresRunAtTheEnd)
{
    TScheme scheme(TTestRoot::StaticClass());
    auto* root = static_cast<TTestRoot*>(scheme.Root());
    auto* kept = new TElement_Star(&scheme);
    auto* freed = new TElement_Star(&scheme);
    root->AppendElement(kept);
    root->AppendElement(freed);
    TKnot knot(QStringLiteral("FreeText"));
    TKnot* a = knot.AddKnot(QStringLiteral("A"));
    TKnot* b = knot.AddKnot(QStringLiteral("B"));
    TKnot* c = knot.AddKnot(QStringLiteral("C"));
    TProcLog::Calls.clear();
    {
        TSchemeLoader loader(&scheme, nullptr, &knot, 0, fmFile);
        EXPECT_EQ(scheme.UpdateCount(), 1);
        loader.AddLoadedProc(b, &TProcLog::Run, kept);
        loader.AddLoadedProc(a, &TProcLog::Run, freed);
        loader.AddLoadedProc(c, &TProcLog::Run, root);
        freed->Free();
        EXPECT_TRUE(TProcLog::Calls.isEmpty());
    } // the destructor finishes a loader that was not finished
    EXPECT_EQ(TProcLog::Calls, (QStringList{QStringLiteral("B:1:1"), QStringLiteral("C:1:1")}));
    EXPECT_EQ(scheme.UpdateCount(), 0);
}

// Saving

struct Saving : ::testing::Test
{
    QTemporaryDir Dir;
    QString Target = Dir.filePath(QStringLiteral("doc.frt"));
    TScheme Scheme{TTestRoot::StaticClass(), QStringLiteral("FreeText")};
    QByteArray Original = QByteArray(
        "\xEF\xBB\xBF<FreeText FormatVersion=\"1.2\">\r\n\t<Chars Value=\"old\"/>\r\n</FreeText>\r\n");

    void SetUp() override
    {
        QFile file(Target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Original);
        file.close();
        Scheme.LoadFromFile(Target);
        static_cast<TTestRoot*>(Scheme.Root())->Content()[0] = TTestRun{QStringLiteral("new"), QString()};
    }
    void TearDown() override { FailNthFileWriteForTesting(0); }

    QStringList Files() const { return QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

TEST_F(Saving, ReplacesAReadOnlyFile)
{
    ASSERT_TRUE(QFile::setPermissions(Target, QFile::ReadOwner));
    Scheme.SaveToFile(Target);
    EXPECT_TRUE(ReadBytes(Target).contains("Value=\"new\""));
    EXPECT_TRUE(QFileInfo(Target).isWritable());
    EXPECT_EQ(Files(), QStringList{QStringLiteral("doc.frt")});
}

// A temporary file that another save still holds (locked) is neither used nor removed.
TEST_F(Saving, LeavesSomeoneElsesTemporaryFileAlone)
{
    QFile foreign(Dir.filePath(QStringLiteral("Rplc1.tmp")));
    ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
    foreign.write("keep");
    foreign.flush();
    ASSERT_EQ(::flock(foreign.handle(), LOCK_EX | LOCK_NB), 0);
    Scheme.SaveToFile(Target);
    EXPECT_EQ(ReadBytes(foreign.fileName()), QByteArray("keep"));
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("Rplc1.tmp"), QStringLiteral("doc.frt")}));
}

// A write that fails part-way leaves the user's file byte for byte, removes the temporary file,
// raises the error and gives the scheme its old name back.
TEST_F(Saving, AFailedWriteNeverDamagesTheFile)
{
    const QString other = Dir.filePath(QStringLiteral("other.frt"));
    QFile::copy(Target, other);
    FailNthFileWriteForTesting(1);
    try {
        Scheme.SaveToFile(other);
        FAIL() << "no error";
    } catch (const EQvError& error) {
        EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Cannot create file \"") + other +
                                               QStringLiteral("\". ")))
            << error.Message().toStdString();
    }
    EXPECT_EQ(ReadBytes(other), Original);
    EXPECT_EQ(Scheme.FileName(), Target);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("doc.frt"), QStringLiteral("other.frt")}));
}

TEST_F(Saving, SavingACopyKeepsTheName)
{
    const QString copy = Dir.filePath(QStringLiteral("copy.frt"));
    Scheme.SaveToFile(copy, true);
    EXPECT_EQ(Scheme.FileName(), Target);
    EXPECT_EQ(ReadBytes(Target), Original);
    EXPECT_TRUE(ReadBytes(copy).contains("Value=\"new\""));
    Scheme.SaveToFile(copy);
    EXPECT_EQ(Scheme.FileName(), copy);
}

// A document whose elements would not fit in memory is refused before they are made.
TEST_F(Saving, ADocumentThatWouldNotFitInMemoryIsRefusedWithItsSize)
{
    TScopedEnvironment environment;
    environment.Set("QV_MEMORY_LIMIT_MB", "1");
    const QString large = Dir.filePath(QStringLiteral("large.frt"));
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<FreeText>" + QByteArray("<Chars Value=\"x\"/>").repeated(2000) + "</FreeText>");
    file.close();
    try {
        Scheme.LoadFromFile(large);
        FAIL() << "no error";
    } catch (const EQvError& error) {
        EXPECT_TRUE(error.Message().startsWith(u"The file \""_qs + large + u"\" (35.2 kB) is not opened"_qs))
            << error.Message().toStdString();
        EXPECT_TRUE(error.Message().endsWith(u"and 1.0 MB are available"_qs))
            << error.Message().toStdString();
    }
    Scheme.LoadFromFile(Target);
}

TEST_F(Saving, AMissingFileIsReported)
{
    const QString missing = Dir.filePath(QStringLiteral("missing.frt"));
    try {
        Scheme.LoadFromFile(missing);
        FAIL() << "no error";
    } catch (const EQvError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("File not found: ") + missing);
    }
}

} // namespace
} // namespace qv
