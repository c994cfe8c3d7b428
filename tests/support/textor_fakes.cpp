#include "support/textor_fakes.h"

#include "textor/rich_text_attributes.h"

namespace qv {

TAttributesRef<TTextAttributes> TTextorFixture::Face(const QString& face, bool link)
{
    TRichTextAttributes scratch;
    scratch.SetFontName(face);
    scratch.SetIsLink(link);
    return TAttributesRef<TTextAttributes>::Adopt(
        static_cast<TTextAttributes*>(TAttributesRegistry::InternRef(scratch)));
}

void TTextorFixture::ExpectConsistentLayout(const TTextor& textor)
{
    int bottom = 0;
    int index = 0;
    int widest = 0;
    for (TParagraph* p = textor.FirstParagraph(); p != nullptr; p = p->Next(), ++index) {
        EXPECT_EQ(p->Index(), index);
        widest = qMax(widest, p->ContentWidth());
        ASSERT_NE(p->FirstRow(), nullptr) << "paragraph " << p->Index() << " has no rows";
        EXPECT_TRUE(p->LayoutValid());
        EXPECT_TRUE(p->PositionValid());
        int expectedStart = 0;
        for (TRow* row = p->FirstRow(); row != nullptr; row = row->Next()) {
            EXPECT_EQ(row->Top(), bottom) << "paragraph " << p->Index();
            EXPECT_GT(row->Height(), 0);
            EXPECT_EQ(row->StartOffset(), expectedStart);
            if (p->Length() > 0) {
                EXPECT_GT(row->EndOffset(), row->StartOffset()) << "empty row in paragraph " << p->Index();
            }
            int measured = 0;
            int offset = 0;
            for (TPortion* portion = p->FirstPortion(); portion != nullptr; portion = portion->Next()) {
                const int from = qMax(offset, row->StartOffset());
                const int to = qMin(offset + portion->Length(), row->EndOffset());
                if (to > from)
                    portion->AddWidth(measured, from - offset, to - from);
                offset += portion->Length();
            }
            EXPECT_EQ(measured, row->Width()) << "paragraph " << p->Index();
            expectedStart = row->EndOffset();
            bottom = row->Bottom();
        }
        EXPECT_EQ(expectedStart, p->Length());
    }
    EXPECT_EQ(textor.ContentHeight(), bottom);
    EXPECT_EQ(textor.ContentWidth(), widest);
    EXPECT_EQ(textor.ParagraphCount(), index);
}

} // namespace qv
