// Plain Text documents end to end: file → model → edits and undo → file, byte for byte.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/element_unaccepted.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "fields/scheme_code_mode_root.h"
#include "fields/textor_element.h"
#include "library/table_element.h"
#include "roots/root.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "textor/sheet_settings.h"

#include "support/fake_clock.h"
#include "support/printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace qv {
namespace {

QByteArray ReadData(const QString& name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

class PlainTextDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterPlainTextScheme();
        Scheme = CreateScheme(TPlainTextSchemeDescriptor::StaticClass());
        Scheme->SetUndoRedo(&Undo);
        Scheme->SetMessages(&Log);
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override { Scheme.reset(); }

    TPlainTextRoot* Root() const { return static_cast<TPlainTextRoot*>(Scheme->Root()); }

    // Copies a data file into the temporary folder and opens it.
    void Open(const QString& name)
    {
        const QString path = Dir.filePath(name);
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(QStringLiteral(TEST_DATA_DIR "/") + name, path));
        Scheme->LoadFromFile(path);
    }

    // Loads the document from bytes, as a file is loaded.
    void Load(TScheme& scheme, const QByteArray& bytes)
    {
        TKnot knot;
        knot.LoadFromStream(bytes);
        scheme.LoadFromKnot(scheme.Root(), fmFile, &knot);
    }

    QByteArray SaveAndRead()
    {
        const QString path = Dir.filePath(QStringLiteral("saved.frt"));
        Scheme->SaveToFile(path);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QStringList LogTexts() const
    {
        QStringList texts;
        for (int i = 0; i < Log.Count(); ++i)
            texts.append(Log.Items(i)->GetText());
        return texts;
    }

    TTextorRange Range(int p1, int o1, int p2, int o2) const
    {
        TTextorRange range;
        EXPECT_TRUE(Root()->Textor()->FromIndex(TTextorIndexRange{{p1, o1}, {p2, o2}}, range));
        return range;
    }

    QTemporaryDir Dir;
    TFakeClock Time;
    TUndoRedo Undo;
    TElementMessages Log;
    std::unique_ptr<TScheme> Scheme;
};

TEST_F(PlainTextDocument, DescriptorIsRegisteredForItsExtension)
{
    EXPECT_EQ(FindDescriptorByExtension(QStringLiteral("Notes.FRT")),
              TPlainTextSchemeDescriptor::StaticClass());
    EXPECT_EQ(TPlainTextSchemeDescriptor::StaticClass()->GetTitle(), QStringLiteral("Plain Text"));
    EXPECT_EQ(TPlainTextSchemeDescriptor::StaticClass()->GetRootName(), QStringLiteral("FreeText"));
    EXPECT_TRUE(IsInstanceOf(Scheme->Root(), TPlainTextRoot::StaticClass()));
}

TEST_F(PlainTextDocument, WorkedExampleRoundTripsByteForByte)
{
    Open(QStringLiteral("worked_example.frt"));
    EXPECT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(Root()->GetText(), QStringLiteral("Hello,\r\nworld\t!"));
    EXPECT_EQ(Root()->Textor()->ParagraphCount(), 2);
    // The tab is a tab stop, not a character of a text run.
    TParagraph* second = Root()->Textor()->LastParagraph();
    ASSERT_NE(second->FirstPortion()->Next(), nullptr);
    EXPECT_EQ(second->FirstPortion()->Next()->Kind(), TPortionKind::TabStops);
    EXPECT_EQ(SaveAndRead(), ReadData(QStringLiteral("worked_example.frt")));
}

TEST_F(PlainTextDocument, EmptyDocumentIsOneLine)
{
    EXPECT_EQ(Scheme->SaveToBytes(), QByteArray("\xEF\xBB\xBF<FreeText FormatVersion=\"1.2\"/>\r\n"));
}

TEST_F(PlainTextDocument, UnreadAttributeIsReportedWithItsIndexedPath)
{
    Open(QStringLiteral("unread_attribute.frt"));
    EXPECT_EQ(LogTexts(), QStringList{QStringLiteral("Attribute \"FreeText.Chars[3].Bold\" was not read")});
    EXPECT_EQ(SaveAndRead(), ReadData(QStringLiteral("worked_example.frt")));
}

TEST_F(PlainTextDocument, DataRunsAndUnsupportedElementsSurvive)
{
    Open(QStringLiteral("mixed_content.frt"));
    EXPECT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();
    // The comment element is not built yet: it is kept as a placeholder and written back as read.
    std::vector<TElement_Unaccepted*> kept = Root()->CollectAll<TElement_Unaccepted>();
    EXPECT_EQ(kept.size(), 1u);
    EXPECT_EQ(SaveAndRead(), ReadData(QStringLiteral("mixed_content.frt")));
}

TEST_F(PlainTextDocument, EditsUndoAndRedoReachTheFile)
{
    Open(QStringLiteral("worked_example.frt"));
    const QByteArray original = SaveAndRead();
    // Replace "world" by "there", append a line, delete the comma.
    TTextorRange world = Range(1, 0, 1, 5);
    Root()->ReplaceWithText(tetRange, &world, false, QStringLiteral("there"));
    Time.Advance(1000);
    Root()->ReplaceWithText(tetAppend, nullptr, false, QStringLiteral("\r\nbye"));
    Time.Advance(1000);
    TTextorRange comma = Range(0, 5, 0, 6);
    Root()->ReplaceWithText(tetRange, &comma, false, QString());
    EXPECT_EQ(Root()->GetText(), QStringLiteral("Hello\r\nthere\t!\r\nbye"));
    const QByteArray edited = SaveAndRead();
    EXPECT_EQ(edited, QByteArray("\xEF\xBB\xBF<FreeText FormatVersion=\"1.2\">\r\n"
                                 "\t<Chars Value=\"Hello\"/><Br/>\r\n"
                                 "\t<Chars Value=\"there&#9;!\"/><Br/>\r\n"
                                 "\t<Chars Value=\"bye\"/>\r\n"
                                 "</FreeText>\r\n"));
    while (Undo.CanUndo())
        Undo.Undo();
    EXPECT_EQ(SaveAndRead(), original);
    while (Undo.CanRedo())
        Undo.Redo();
    EXPECT_EQ(SaveAndRead(), edited);
}

TEST_F(PlainTextDocument, CodeModeWithoutChangesGivesTheSameFile)
{
    Open(QStringLiteral("mixed_content.frt"));
    const QByteArray before = SaveAndRead();
    Scheme->SetCodeMode(true);
    ASSERT_TRUE(Scheme->CodeMode());
    ASSERT_TRUE(IsInstanceOf(Scheme->Root(), TSchemeCodeModeRoot::StaticClass()));
    // Saving in code mode writes the text unchanged.
    EXPECT_EQ(SaveAndRead(), before);
    Scheme->SetCodeMode(false);
    EXPECT_FALSE(Scheme->CodeMode());
    EXPECT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(SaveAndRead(), before);
}

TEST_F(PlainTextDocument, BrokenCodeIsRefusedAndUndoBringsTheTreeBack)
{
    Open(QStringLiteral("worked_example.frt"));
    const QByteArray before = SaveAndRead();
    Scheme->SetCodeMode(true);
    auto* code = static_cast<TTextorElement*>(Scheme->Root());
    // Cut the text after the second line: the closing tag is lost.
    TTextorRange tail;
    ASSERT_TRUE(code->Textor()->FromIndex(
        TTextorIndexRange{{2, 0}, code->Textor()->ToIndex(code->Textor()->LastPosition())}, tail));
    code->ReplaceWithText(tetRange, &tail, false, QStringLiteral("\t<Chars Value=\"x"));
    // The cut text would lose the rest of the document: leaving is refused, the code stays.
    EXPECT_THROW(Scheme->SetCodeMode(false), ECodeModeSyntaxError);
    ASSERT_TRUE(Scheme->CodeMode());
    EXPECT_EQ(Scheme->Root(), code);
    Undo.Undo(); // the edit of the code
    Undo.Undo(); // entering code mode
    EXPECT_FALSE(Scheme->CodeMode());
    EXPECT_EQ(static_cast<TTextorElement*>(Scheme->Root())->GetText(), QStringLiteral("Hello,\r\nworld\t!"));
    EXPECT_EQ(SaveAndRead(), before);
}

TEST_F(PlainTextDocument, ManyElementsInOneParagraphLoadWithWorkPerElement)
{
    constexpr int count = 5000;
    TKnot document(QStringLiteral("FreeText"));
    document.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    for (int i = 0; i < count; ++i)
        document.AddKnot(QStringLiteral("Remark"))->WriteString(QStringLiteral("Kind"), QString::number(i));
    QByteArray bytes;
    document.SaveToStream(bytes, keUtf8);
    Root()->Textor()->ResetCounters();
    Load(*Scheme, bytes);
    EXPECT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(Root()->Textor()->ParagraphCount(), 1);
    EXPECT_EQ(Root()->Textor()->FirstParagraph()->Length(), count);
    // Appending each element finds the paragraph's end without walking the paragraph.
    EXPECT_LE(Root()->Textor()->Counters().PortionSteps, 4 * count);
    EXPECT_EQ(Scheme->SaveToBytes(), bytes) << "every element kept, in order";
}

// Embedded elements size themselves when the text goes on a sheet; each paragraph is then laid out
// once for all of its elements, not once for every one of them.
TEST_F(PlainTextDocument, ElementsGoingOnASheetLayTheirParagraphOutOnce)
{
    TKnot document(QStringLiteral("FreeText"));
    document.WriteString(QStringLiteral("FormatVersion"), QStringLiteral("1.2"));
    for (int i = 0; i < 200; ++i) {
        if (i > 0 && i % 50 == 0)
            document.AddKnot(QStringLiteral("Br"));
        document.AddKnot(QStringLiteral("Remark"))->WriteString(QStringLiteral("Kind"), QString::number(i));
    }
    QByteArray bytes;
    document.SaveToStream(bytes, keUtf8);
    Load(*Scheme, bytes);
    TSheetSettings settings;
    TSheet sheet(&settings);
    Root()->Textor()->ResetCounters();
    Root()->SetVisualParent(sheet.TopElement());
    EXPECT_EQ(Root()->Textor()->Counters().Wraps, 4);
    Root()->SetVisualParent(nullptr);
}

TEST_F(PlainTextDocument, TableStandsInTheTextAndRoundTrips)
{
    const QByteArray bytes("\xEF\xBB\xBF<FreeText FormatVersion=\"1.2\">\r\n\t<Chars Value=\"Before\"/>\r\n"
                           "\t<Table>\r\n\t\t<Row>\r\n\t\t\t<Cell>\r\n\t\t\t\t<Chars Value=\"x\"/>\r\n"
                           "\t\t\t</Cell>\r\n\t\t\t<Cell/>\r\n\t\t</Row>\r\n\t</Table>\r\n</FreeText>\r\n");
    Load(*Scheme, bytes);
    EXPECT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();
    std::vector<TElement_Table*> tables = Root()->CollectAll<TElement_Table>();
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0]->ColumnCount(), 2);
    EXPECT_EQ(Scheme->SaveToBytes(), bytes);
}

// --- Random edits, undos and redos, compared on the saved bytes ------------------------------------
//
// Each sequence starts from a document with text, tabs, line breaks and an element the document
// type does not know, and makes random edits at any offsets the edit operations accept (inside
// surrogate pairs too), with text of line breaks, tabs, characters above U+FFFF and elements.
// After every undo and redo the saved bytes must equal those recorded at that point of the
// history; at the end undo-all, redo-all and reloading the saved bytes are checked too.
// QV_SOAK=1 runs 10,000 sequences instead of 300 (100 in unoptimized builds); QV_SEED=n runs only the
// sequence of seed n.

class PlainTextRandomEdits : public PlainTextDocument
{
protected:
    // The content of an edit: text, or (empty `Text`) one element of an unknown class.
    struct TPiece
    {
        QString Text;
        bool Element = false;
    };

    void RunSequence(uint32_t seed, int steps);

    int UndoSteps()
    {
        int count = 0;
        for (TNode* node = Undo.UndoList()->FirstChild(); node != nullptr; node = node->NextSibling())
            ++count;
        return count;
    }
};

void PlainTextRandomEdits::RunSequence(uint32_t seed, int steps)
{
    SCOPED_TRACE(testing::Message() << "seed " << seed << " (rerun it alone with QV_SEED=" << seed << ")");
    Undo.Clear();
    Scheme = CreateScheme(TPlainTextSchemeDescriptor::StaticClass());
    Scheme->SetUndoRedo(&Undo);
    Scheme->SetMessages(&Log);
    Load(*Scheme, ReadData(QStringLiteral("mixed_content.frt")));
    ASSERT_TRUE(Log.IsEmpty()) << LogTexts().join(u'\n').toStdString();

    const QString face = QString::fromUtf16(u"\U0001F600");
    const std::vector<TPiece> pieces = {
        {QString()},
        {QStringLiteral("x")},
        {QStringLiteral("yz")},
        {QStringLiteral("\t")},
        {QStringLiteral("\r\n")},
        {QStringLiteral("q\r\nr")},
        {face},
        {QStringLiteral("a") + face + QStringLiteral("\r\n") + face},
        {QString(), true},
    };
    std::mt19937 random(seed);
    auto below = [&random](int n) {
        return int(random() % uint32_t(n));
    };
    TTextor* textor = Root()->Textor();
    auto anyIndex = [&]() {
        const int paragraph = below(textor->ParagraphCount());
        TParagraph* p = textor->FirstParagraph();
        for (int i = 0; i < paragraph; ++i)
            p = p->Next();
        return TTextorIndex{paragraph, below(p->Length() + 1)};
    };

    // The saved bytes at each point of the history; `at` is the current one.
    std::vector<QByteArray> history{Scheme->SaveToBytes()};
    size_t at = 0;
    for (int step = 0; step < steps; ++step) {
        Time.Advance(below(2) == 0 ? 100 : 1000);
        const int action = below(10);
        if (action < 2 && Undo.CanUndo()) {
            ASSERT_TRUE(Undo.Undo()) << "step " << step;
            ASSERT_EQ(Scheme->SaveToBytes(), history[--at]) << "undo at step " << step;
        } else if (action < 3 && Undo.CanRedo()) {
            ASSERT_TRUE(Undo.Redo()) << "step " << step;
            ASSERT_EQ(Scheme->SaveToBytes(), history[++at]) << "redo at step " << step;
        } else {
            TTextorIndex a = anyIndex();
            TTextorIndex b = below(3) == 0 ? anyIndex() : a;
            if (b < a)
                std::swap(a, b);
            if (below(3) == 0 && a.Offset > 0) {
                // A Backspace-like step, so that some edits merge.
                b = a;
                --a.Offset;
            }
            TTextorRange range;
            ASSERT_TRUE(textor->FromIndex(TTextorIndexRange{a, b}, range));
            const TPiece& piece = pieces[size_t(below(int(pieces.size())))];
            const int stepsBefore = UndoSteps();
            if (piece.Element) {
                TKnot content(QString::fromUtf16(textorContentName));
                content.AddKnot(QStringLiteral("Remark"))
                    ->WriteString(QStringLiteral("Kind"), QString::number(step));
                Root()->Replace(tetRange, &range, false, 0, fmFile, &content);
            } else {
                Root()->ReplaceWithText(tetRange, &range, false, piece.Text);
            }
            const QByteArray bytes = Scheme->SaveToBytes();
            if (Undo.CanRedo()) {
                // Nothing was recorded: nothing may have changed.
                ASSERT_EQ(bytes, history[at]) << "step " << step;
                continue;
            }
            history.resize(at + 1);
            if (UndoSteps() > stepsBefore) {
                history.push_back(bytes);
                ++at;
            } else {
                history[at] = bytes; // merged into the last step (or nothing was recorded)
            }
            ASSERT_EQ(size_t(UndoSteps()), at);
        }
    }
    while (Undo.CanUndo()) {
        ASSERT_TRUE(Undo.Undo());
        ASSERT_EQ(Scheme->SaveToBytes(), history[--at]) << "undo-all";
    }
    ASSERT_EQ(at, 0u);
    while (Undo.CanRedo()) {
        ASSERT_TRUE(Undo.Redo());
        ASSERT_EQ(Scheme->SaveToBytes(), history[++at]) << "redo-all";
    }
    ASSERT_EQ(at, history.size() - 1);
    std::unique_ptr<TScheme> reloaded = CreateScheme(TPlainTextSchemeDescriptor::StaticClass());
    Load(*reloaded, history.back());
    ASSERT_EQ(reloaded->SaveToBytes(), history.back()) << "reload";
    Undo.Clear();
}

TEST_F(PlainTextRandomEdits, SavedBytesFollowTheHistory)
{
    bool seedGiven = false;
    const uint32_t onlySeed = qEnvironmentVariable("QV_SEED").toUInt(&seedGiven);
    const bool soak = qEnvironmentVariable("QV_SOAK") == QStringLiteral("1");
#ifdef NDEBUG
    constexpr int usual = 300;
#else
    constexpr int usual = 100; // unoptimized builds, with the sanitizers, are some twenty times slower
#endif
    const int sequences = seedGiven ? 1 : (soak ? 10000 : usual);
    for (int i = 0; i < sequences && !HasFailure(); ++i)
        RunSequence(seedGiven ? onlySeed : 1000u + uint32_t(i), 40);
}

} // namespace
} // namespace qv
