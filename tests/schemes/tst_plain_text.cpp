// Plain Text documents end to end: file → model → edits and undo → file, byte for byte.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/element_unaccepted.h"
#include "elements/root.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"
#include "textor/scheme_code_mode_root.h"
#include "textor/textor_element.h"

#include "support/printers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray ReadData(const QString& name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

double fakeNow = 0;
double FakeClock()
{
    return fakeNow;
}

class PlainTextDocument : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterPlainTextScheme();
        SetTextorClock(&FakeClock);
        Scheme = CreateScheme(TPlainTextSchemeDescriptor::StaticClass());
        Scheme->SetUndoRedo(&Undo);
        Scheme->SetMessages(&Log);
        ASSERT_TRUE(Dir.isValid());
    }
    void TearDown() override
    {
        Scheme.reset();
        SetTextorClock(nullptr);
    }

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
    fakeNow += 1000;
    Root()->ReplaceWithText(tetAppend, nullptr, false, QStringLiteral("\r\nbye"));
    fakeNow += 1000;
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

TEST_F(PlainTextDocument, BrokenCodeReportsAndUndoBringsTheTreeBack)
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
    Scheme->SetCodeMode(false);
    EXPECT_TRUE(LogTexts().contains(QStringLiteral("Data provided are corrupt")))
        << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(static_cast<TTextorElement*>(Scheme->Root())->GetText(), QStringLiteral("Hello,\r\n"));
    Undo.Undo(); // leaving code mode
    ASSERT_TRUE(Scheme->CodeMode());
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

} // namespace
} // namespace qv
