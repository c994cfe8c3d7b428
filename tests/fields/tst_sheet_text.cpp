#include "elements/scheme.h"
#include "elements/sheet.h"
#include "fields/scheme_textor_interactive.h"
#include "fields/textor_element.h"
#include "textor/sheet_settings.h"

#include "support/printers.h"
#include "support/test_elements.h"
#include "support/textor_fakes.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace qv {
namespace {

using namespace qv::test;

// A text field on a real sheet: what the field's caret and selection ask of the sheet.
class SheetText : public TTextorFixture
{
protected:
    void SetUp() override
    {
        TTextorFixture::SetUp();
        Sheet.AddHandler(MakeNotifyEvent<&SheetText::Record>(this));
        Root->SetVisualParent(Sheet.TopElement());
        Root->SetBounds(0, 0, 3, 100, 300);
        Field = new TTextorElement(&Scheme);
        Field->SetParent(Root);
        Field->SetContentOptions(tcoLetters | tcoSpaces);
        Field->SetBehaviourOptions(tboFormatItems);
        Field->SetVisualParent(Root);
        Sheet.SetFocus(Field);
        ASSERT_TRUE(Field->IsFocused());
    }
    void TearDown() override
    {
        Root->SetVisualParent(nullptr);
        TTextorFixture::TearDown();
    }
    void Record(TItfObject*, int kind, intptr_t, intptr_t) { Kinds.append(kind); }

    TSheetSettings Settings;
    TScheme Scheme{TTestRoot::StaticClass()};
    TSheet Sheet{&Settings};
    TTestRoot* Root = static_cast<TTestRoot*>(Scheme.Root());
    TTextorElement* Field = nullptr;
    QList<int> Kinds;
};

TEST_F(SheetText, TypingKeepsTheCaretInViewAndSelectingRefreshesThePalette)
{
    Kinds.clear();
    QChar a(u'a');
    Sheet.KeyPress(a);
    EXPECT_EQ(Field->GetText(), QStringLiteral("a"));
    EXPECT_TRUE(Kinds.contains(shnCaretIntoView));
    EXPECT_TRUE(Kinds.contains(shnCaretChanged));
    EXPECT_TRUE(Sheet.IsCaretTimerActive());
    EXPECT_FALSE(Kinds.contains(shnPaletteItemsChanged)) << "typing selects nothing";

    Kinds.clear();
    int left = Qt::Key_Left;
    Sheet.KeyDown(left, Qt::ShiftModifier);
    EXPECT_TRUE(Field->HasSelection());
    EXPECT_TRUE(Kinds.contains(shnPaletteItemsChanged))
        << "a field with format items offers them for its selection";
}

// A selection is shown in the inactive colour while the sheet's window lacks the input focus.
TEST_F(SheetText, TheSelectionOfAnInactiveSheetLooksInactive)
{
    Field->SetText(QStringLiteral("abc"));
    Field->SelectAll();
    ASSERT_TRUE(Field->HasSelection());
    auto paint = [this] {
        QImage image(200, 60, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        Sheet.PaintSheet(painter, QRect(0, 0, 200, 60), spfNoCaret | spfNoFocusOverlay);
        return image;
    };
    Sheet.SetActive(true);
    const QImage active = paint();
    Sheet.SetActive(false);
    EXPECT_NE(paint(), active);
    Sheet.SetActive(true);
    EXPECT_EQ(paint(), active);
}

} // namespace
} // namespace qv
