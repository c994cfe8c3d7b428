// Tables: the grid and its lines, the line edit and its undo, the line caret, the clipboard, infos of
// subclasses, storage, and the work one keystroke in a cell costs.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "core/user_interface.h"
#include "elements/find_data.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "elements/sheet.h"
#include "library/comment_element.h"
#include "library/table_element.h"
#include "roots/root.h"
#include "textor/sheet_settings.h"

#include "support/printers.h"
#include "support/textor_fakes.h"

#include <QFile>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray ReadData(const QString& name)
{
    QFile file(QStringLiteral(TEST_DATA_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A table in a comment of a Plain Text document on a sheet.
class Tables : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        RegisterCommentElements();
        RegisterTableElements();
        Scheme.SetUndoRedo(&Undo);
        Sheet.SetPageSize(QSize(800, 600));
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 600, 800);
        Comment = static_cast<TElement_Comment*>(
            Root->InsertNewElement(TElement_Comment::StaticClass(), nullptr, nullptr));
        Table = static_cast<TElement_Table*>(
            Comment->InsertNewElement(TElement_Table::StaticClass(), nullptr, nullptr));
        Undo.Clear();
    }
    void TearDown() override
    {
        Undo.Clear();
        Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }

    // Gives every cell the text "<row><column>" with rows "a", "b", … and columns "1", "2", ….
    void Fill()
    {
        for (int row = 0; row < Table->RowCount(); ++row)
            for (int column = 0; column < Table->ColumnCount(); ++column)
                Text(column, row)->SetText(QString(QChar(u'a' + row)) + QString::number(column + 1));
    }
    TTextorElement* Text(int column, int row) const
    {
        return static_cast<TTextorElement*>(Table->GetCell(column, row));
    }
    // Rows separated by "/", cells by "|".
    QString Grid() const
    {
        QStringList rows;
        for (int row = 0; row < Table->RowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < Table->ColumnCount(); ++column)
                cells << Text(column, row)->GetText();
            rows << cells.join(u'|');
        }
        return rows.join(u'/');
    }
    // The document with IDs: what undo and redo must bring back exactly.
    QString Snapshot()
    {
        TKnot knot;
        Scheme.SaveToKnot(Root, fmSnapshot, &knot, 0);
        return knot.SaveToText();
    }
    // Focuses the table with `direction` and the lines [anchor, active) selected.
    void Select(uint8_t direction, int anchor, int active)
    {
        Sheet.SetFocus(Table);
        ASSERT_NE(Table->Interactive(), nullptr);
        Table->Interactive()->SetDirection(direction, anchor);
        Table->Interactive()->Select(anchor, active);
    }
    bool Key(int key, Qt::KeyboardModifiers shift = Qt::NoModifier)
    {
        Table->KeyDown(key, shift);
        return key == 0;
    }

    TSheetSettings Settings;
    TScheme Scheme{TPlainTextRoot::StaticClass(), QStringLiteral("FreeText")};
    TUndoRedo Undo;
    TSheet Sheet{&Settings};
    TPlainTextRoot* Root = static_cast<TPlainTextRoot*>(Scheme.Root());
    TElement_Comment* Comment = nullptr;
    TElement_Table* Table = nullptr;
};

TEST_F(Tables, NewTableIsThreeRowsOfFourAndLosesItsRowsWithItsLastColumn)
{
    ASSERT_NE(Table, nullptr);
    EXPECT_EQ(Table->ColumnCount(), 4);
    EXPECT_EQ(Table->RowCount(), 3);
    EXPECT_EQ(Table->VisualChildCount(), 12);
    EXPECT_TRUE(Table->IsFilled());
    Fill();
    const QString filled = Grid();
    Select(tdColumns, 0, 4);
    EXPECT_TRUE(Key(Qt::Key_Delete));
    EXPECT_EQ(Table->ColumnCount(), 0);
    EXPECT_EQ(Table->RowCount(), 0);
    EXPECT_FALSE(Table->IsFilled());
    EXPECT_EQ(Table->BoundsRect().size(), QSize(20, 20));
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(Grid(), filled);
}

TEST_F(Tables, LineCaretKeys)
{
    struct TRow
    {
        const char* Name;
        uint8_t Direction;
        int Caret;
        int Key;
        Qt::KeyboardModifiers Shift;
        bool Consumed;
        uint8_t NewDirection;
        int NewCaret;
    };
    const TRow rows[] = {
        {"Backspace at 0 does nothing", tdColumns, 0, Qt::Key_Backspace, Qt::NoModifier, false, tdColumns, 0},
        {"Right at the last boundary", tdColumns, 4, Qt::Key_Right, Qt::NoModifier, false, tdColumns, 4},
        {"Right in rows jumps to the end", tdRows, 1, Qt::Key_Right, Qt::NoModifier, true, tdColumns, 4},
        {"Up in columns jumps to rows", tdColumns, 2, Qt::Key_Up, Qt::NoModifier, true, tdRows, 0},
        {"Down in columns jumps past rows", tdColumns, 2, Qt::Key_Down, Qt::NoModifier, true, tdRows, 3},
        {"Ctrl+Left moves the caret", tdColumns, 2, Qt::Key_Left, Qt::ControlModifier, true, tdColumns, 1},
        {"End", tdRows, 0, Qt::Key_End, Qt::NoModifier, true, tdRows, 3},
        {"Home at 0", tdRows, 0, Qt::Key_Home, Qt::NoModifier, false, tdRows, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Select(row.Direction, row.Caret, row.Caret);
        EXPECT_EQ(Key(row.Key, row.Shift), row.Consumed);
        ASSERT_NE(Table->Interactive(), nullptr);
        EXPECT_EQ(Table->Interactive()->Direction(), row.NewDirection);
        EXPECT_EQ(Table->Interactive()->Caret(), row.NewCaret);
        EXPECT_EQ(Table->ColumnCount() * Table->RowCount(), 12);
    }
}

TEST_F(Tables, ArrowsEnterCellsAndLeaveThemOntoTheBoundaryBeside)
{
    Fill();
    Select(tdColumns, 1, 1);
    Table->Interactive()->SetCrossIndex(2);
    ASSERT_TRUE(Key(Qt::Key_Right));
    EXPECT_EQ(Sheet.FocusedElement(), Table->GetCell(1, 2));
    int key = Qt::Key_Right;
    Sheet.KeyDown(key, Qt::NoModifier); // "c2|" → past the end
    Sheet.KeyDown(key = Qt::Key_Right, Qt::NoModifier);
    Sheet.KeyDown(key = Qt::Key_Right, Qt::NoModifier);
    ASSERT_EQ(Sheet.FocusedElement(), Table);
    EXPECT_EQ(Table->Interactive()->Direction(), tdColumns);
    EXPECT_EQ(Table->Interactive()->Caret(), 2);
    EXPECT_EQ(Table->Interactive()->CrossIndex(), 2);
}

TEST_F(Tables, SearchGoesOnInTheCellBesideTheCaret)
{
    struct TRow
    {
        bool Focused;
        uint8_t Direction;
        int Caret;
        bool Forward;
        int Column;
        int Row;
    };
    const TRow rows[] = {
        {false, tdColumns, 0, true, 0, 0}, {false, tdColumns, 0, false, 3, 2},
        {true, tdColumns, 2, true, 2, 1},  {true, tdColumns, 4, true, 0, 2},
        {true, tdRows, 0, false, 0, 2},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << int(row.Direction) << " " << row.Caret << " " << row.Forward);
        Sheet.SetFocus(Root);
        if (row.Focused) {
            Select(row.Direction, row.Caret, row.Caret);
            Table->Interactive()->SetCrossIndex(1);
        }
        TFindData find(Root, QStringLiteral("x"), false);
        int position = -1;
        TVisualElement* next = nullptr;
        EXPECT_FALSE(Table->FindText(0, find, position, next, row.Forward));
        EXPECT_EQ(next, Table->GetCell(row.Column, row.Row));
    }
}

TEST_F(Tables, InsertingAColumnOverTwoSelectedAndUndoRestoresBoth)
{
    Fill();
    const QString before = Snapshot();
    Select(tdColumns, 1, 3);
    ASSERT_TRUE(Table->ExecutePaletteItem(TableLinePaletteItem(tdColumns), true));
    EXPECT_EQ(Grid(), QStringLiteral("a1||a4/b1||b4/c1||c4"));
    const QString after = Snapshot();
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(Grid(), QStringLiteral("a1|a2|a3|a4/b1|b2|b3|b4/c1|c2|c3|c4"));
    EXPECT_EQ(Snapshot(), before);
    ASSERT_TRUE(Undo.Redo());
    EXPECT_EQ(Snapshot(), after);
}

TEST_F(Tables, CutAndUndoRestoreEmbeddedElementsExactly)
{
    Fill();
    Text(2, 1)->InsertNewElement(TElement_Star::StaticClass(), nullptr, nullptr);
    ASSERT_EQ(Table->CollectAll<TElement_Star>().size(), 1u);
    const QString before = Snapshot();
    Select(tdRows, 1, 2);
    Table->Copy();
    EXPECT_TRUE(Key(Qt::Key_Delete));
    EXPECT_EQ(Grid(), QStringLiteral("a1|a2|a3|a4/c1|c2|c3|c4"));
    EXPECT_TRUE(Table->CollectAll<TElement_Star>().empty());
    ASSERT_TRUE(Undo.Undo());
    EXPECT_EQ(Snapshot(), before);
    // Pasting the cut row back at the end brings a new copy of the star.
    Select(tdRows, 3, 3);
    ASSERT_TRUE(Table->Paste());
    EXPECT_EQ(Table->RowCount(), 4);
    EXPECT_EQ(Table->CollectAll<TElement_Star>().size(), 2u);
}

TEST_F(Tables, CopyAndCopyAsTextGiveTheCellsTextOfTwoByTwo)
{
    Fill();
    Select(tdRows, 2, 3);
    ASSERT_TRUE(Key(Qt::Key_Delete));
    Select(tdColumns, 1, 3);
    Table->CopyAsText();
    EXPECT_EQ(Clipboard().Text(), QStringLiteral("a2a3\r\nb2b3"));
    Clipboard().SetText(QString());
    Table->Copy();
    EXPECT_EQ(Clipboard().Text(), QStringLiteral("a2a3\r\nb2b3"));
}

TEST_F(Tables, PasteTakesOnlyTableContent)
{
    Fill();
    const QString grid = Grid();
    const QString texts[] = {
        QStringLiteral("plain words"),
        QStringLiteral("<ZivorEredadContent FormatVersion=\"1.2\"><Chars Value=\"x\"/></ZivorEredadContent>"),
        QStringLiteral("<ZivorEredadContent/>"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        Select(tdColumns, 0, 2);
        Clipboard().SetText(text);
        EXPECT_FALSE(Table->Paste());
        EXPECT_EQ(Grid(), grid);
    }
    Clipboard().SetText(QStringLiteral("<ZivorEredadContent><Row><Cell><Chars Value=\"n\"/></Cell></Row>"
                                       "</ZivorEredadContent>"));
    ASSERT_TRUE(Table->Paste());
    EXPECT_EQ(Grid(), QStringLiteral("n|a3|a4/|b3|b4/|c3|c4")) << "fewer cells than rows give empty cells";
    EXPECT_EQ(Table->Interactive()->Caret(), 1);
}

TEST_F(Tables, LoadingLinesWithoutRowsAddsNothing)
{
    const char* contents[] = {
        "<ZivorEredadContent/>",
        "<ZivorEredadContent><Columns><Column/></Columns></ZivorEredadContent>",
    };
    for (const char* text : contents) {
        SCOPED_TRACE(text);
        TKnot knot;
        ASSERT_TRUE(knot.LoadFromText(QString::fromUtf8(text)));
        TSchemeLoader loader(&Scheme, nullptr, &knot, 0, fmFile);
        const TTableLineRange range = Table->LoadLines(&loader, &knot, tdColumns, 1, true, true);
        loader.Finish();
        EXPECT_TRUE(range.IsEmpty());
        EXPECT_EQ(Table->ColumnCount(), 4);
    }
}

// A table that keeps a text per column and per row, stored as "Width" and "Height".
class TInfoTable : public TCustomTableElement
{
public:
    struct TInfo : TNode
    {
        QString Value;
    };
    using TCustomTableElement::TCustomTableElement;

    TNode* CreateColumnInfo(int) override { return new TInfo; }
    TNode* CreateRowInfo(int) override { return new TInfo; }
    const TElementClass* CellClass() override { return TTableCellElement::StaticClass(); }
    void GetCellSize(TVisualElement*, int& width, int& height) override { width = height = 10; }
    void LoadColumnInfo(TNode* info, TSchemeLoader*, TKnot* knot) override
    {
        static_cast<TInfo*>(info)->Value = knot->ReadString(QStringLiteral("Width"));
    }
    void LoadRowInfo(TNode* info, TSchemeLoader*, TKnot* knot) override
    {
        static_cast<TInfo*>(info)->Value = knot->ReadString(QStringLiteral("Height"));
    }
    void SaveColumnInfo(TNode* info, TSchemeSaver*, TKnot* knot) override
    {
        knot->WriteString(QStringLiteral("Width"), static_cast<TInfo*>(info)->Value);
    }
    void SaveRowInfo(TNode* info, TSchemeSaver*, TKnot* knot) override
    {
        knot->WriteString(QStringLiteral("Height"), static_cast<TInfo*>(info)->Value);
    }
};

TEST_F(Tables, SubclassInfosFollowTheirLines)
{
    TNodePtr<TInfoTable> table(new TInfoTable(&Scheme));
    table->SetTableFlags(tfColumnInfos | tfRowInfos);
    auto load = [&](const char* text, uint8_t direction, int index) {
        TKnot knot;
        EXPECT_TRUE(knot.LoadFromText(QString::fromUtf8(text)));
        TSchemeLoader loader(&Scheme, nullptr, &knot, 0, fmFile);
        table->LoadLines(&loader, &knot, direction, index, true, true);
        loader.Finish();
    };
    auto infos = [&]() {
        QStringList texts;
        for (int i = 0; i < table->ColumnCount(); ++i)
            texts << static_cast<TInfoTable::TInfo*>(table->ColumnInfo(i))->Value;
        texts << QStringLiteral("/");
        for (int i = 0; i < table->RowCount(); ++i)
            texts << static_cast<TInfoTable::TInfo*>(table->RowInfo(i))->Value;
        return texts.join(u' ');
    };
    load("<C><Columns><Column Width=\"w1\"/><Column Width=\"w2\"/></Columns>"
         "<Row Height=\"h1\"><Cell/><Cell/></Row></C>",
         tdColumns, 0);
    EXPECT_EQ(infos(), QStringLiteral("w1 w2 / h1"));
    load("<C><Columns><Column Width=\"x\"/></Columns><Row Height=\"h0\"><Cell/><Cell/></Row></C>", tdRows, 0);
    EXPECT_EQ(infos(), QStringLiteral("w1 w2 / h0 h1")) << "inserting rows keeps the columns";
    load("<C><Columns><Column Width=\"w3\"/></Columns><Row><Cell/></Row><Row><Cell/></Row></C>", tdColumns,
         1);
    EXPECT_EQ(infos(), QStringLiteral("w1 w3 w2 / h0 h1"));
    EXPECT_EQ(table->VisualChildCount(), 6);

    TKnot saved(QStringLiteral("C"));
    TSchemeSaver saver(fmFile, &saved, 0);
    const TTableLineRange second{1, 2};
    table->SaveLines(&saver, &saved, true, true, &second, nullptr);
    EXPECT_EQ(saved.SaveToText(),
              QStringLiteral("<C>\r\n\t<Columns>\r\n\t\t<Column Width=\"w1\"/>\r\n\t\t<Column "
                             "Width=\"w3\"/>\r\n\t\t<Column Width=\"w2\"/>\r\n\t</Columns>\r\n\t<Row "
                             "Height=\"h1\">\r\n\t\t<Cell/>\r\n\t\t<Cell/>\r\n\t\t<Cell/>\r\n\t</"
                             "Row>\r\n</C>\r\n"));
    table->DeleteLines(tdRows, {0, 2});
    EXPECT_EQ(infos(), QStringLiteral("/")) << "the columns go with the last row";
    EXPECT_EQ(table->VisualChildCount(), 0);
}

TEST_F(Tables, DocumentRoundTripsByteForByte)
{
    Fill();
    Text(1, 0)->InsertNewElement(TElement_Star::StaticClass(), nullptr, nullptr);
    Table->SetDisabled(true);
    const QByteArray saved = Scheme.SaveToBytes();
    EXPECT_EQ(saved, ReadData(QStringLiteral("table.frt")));

    TScheme copy(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    TKnot knot;
    knot.LoadFromStream(saved);
    copy.LoadFromKnot(copy.Root(), fmFile, &knot);
    EXPECT_EQ(copy.SaveToBytes(), saved);
}

TEST_F(Tables, UndoAndRedoReplayTheSnapshots)
{
    Fill();
    QStringList snapshots{Snapshot()};
    auto step = [&](auto&& edit) {
        edit();
        snapshots << Snapshot();
    };
    step([&] {
        Select(tdColumns, 2, 2);
        Table->ExecutePaletteItem(TableLinePaletteItem(tdColumns), true);
    });
    step([&] {
        Select(tdRows, 0, 2);
        Key(Qt::Key_Backspace);
    });
    step([&] {
        Select(tdRows, 1, 1);
        Table->ExecutePaletteItem(TableLinePaletteItem(tdRows), true);
    });
    step([&] {
        Select(tdColumns, 0, 5);
        Table->Copy();
        Key(Qt::Key_Delete);
    });
    step([&] { Table->Paste(); });
    for (qsizetype i = snapshots.size() - 1; i > 0; --i) {
        ASSERT_TRUE(Undo.Undo());
        EXPECT_EQ(Snapshot(), snapshots[i - 1]) << "after undo " << i;
    }
    for (qsizetype i = 1; i < snapshots.size(); ++i) {
        ASSERT_TRUE(Undo.Redo());
        EXPECT_EQ(Snapshot(), snapshots[i]) << "after redo " << i;
    }
}

TEST_F(Tables, TypingInACellMeasuresOneRowNotTheTable)
{
    auto content = std::make_unique<TKnot>(QStringLiteral("ZivorEredadContent"));
    for (int row = 0; row < 200; ++row) {
        TKnot* rowKnot = content->AddKnot(QStringLiteral("Row"));
        for (int column = 0; column < 50; ++column)
            rowKnot->AddKnot(QStringLiteral("Cell"))
                ->AddKnot(QStringLiteral("Chars"))
                ->WriteString(QStringLiteral("Value"), QStringLiteral("cell"));
    }
    Select(tdColumns, 0, 4);
    Table->EditLines(tetLinesAll, content.get(), false, 0, fmFile);
    ASSERT_EQ(Table->RowCount(), 200);
    ASSERT_EQ(Table->ColumnCount(), 50);
    TTextorElement* cell = Text(7, 100);
    cell->FocusAtLast();
    ASSERT_EQ(Sheet.FocusedElement(), cell);
    const int layouts = Table->FullLayouts();
    const int measured = Table->MeasuredCells();
    const int left = Text(8, 100)->Left();
    for (const QChar c : QStringLiteral("wider")) {
        QChar key = c;
        Sheet.KeyPress(key);
    }
    EXPECT_EQ(cell->GetText(), QStringLiteral("cellwider"));
    EXPECT_EQ(Table->FullLayouts(), layouts);
    EXPECT_LE(Table->MeasuredCells() - measured, Table->ColumnCount());
    EXPECT_GT(Text(8, 100)->Left(), left) << "the column grew";
    EXPECT_EQ(Text(8, 5)->Left(), Text(8, 100)->Left());
}

} // namespace
} // namespace qv
