// Command File documents: the commands as the user edits them, and the batch file they become.

#include "core/knot.h"
#include "core/undo_redo.h"
#include "elements/element_messages.h"
#include "elements/palette.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "library/names.h"
#include "library/path_element.h"
#include "roots/file_connection.h"
#include "schemes/commands/command_elements.h"
#include "schemes/commands/command_file_scheme_descriptor.h"
#include "schemes/plaintext/plain_text_scheme_descriptor.h"

#include "support/printers.h"

#include <QFile>

#include <gtest/gtest.h>

namespace qv {
namespace {

QByteArray Document(const QByteArray& body)
{
    return QByteArray("\xEF\xBB\xBF<Commands FormatVersion=\"1.2\">\r\n") + body +
           QByteArray("</Commands>\r\n");
}

class CommandFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterCommandFileScheme();
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetUndoRedo(&Undo);
        Scheme->SetMessages(&Log);
    }
    void TearDown() override { Scheme.reset(); }

    void Load(const QByteArray& bytes)
    {
        TKnot knot;
        knot.LoadFromStream(bytes);
        Scheme->LoadFromKnot(Scheme->Root(), fmFile, &knot);
    }

    template <class C>
    C* First() const
    {
        for (TNode* node = Scheme->Root()->FirstChild(); node != nullptr; node = node->NextSibling()) {
            if (auto* element = dynamic_cast<C*>(node))
                return element;
        }
        return nullptr;
    }

    TUndoRedo Undo;
    TElementMessages Log;
    std::unique_ptr<TScheme> Scheme;
};

TEST_F(CommandFile, WaitForClosingIsUndoableAndStoredOnlyWhenSet)
{
    const QByteArray original = Document("\t<Call>\r\n"
                                         "\t\t<FileName>\r\n"
                                         "\t\t\t<FileName Value=\"/opt/tool/run.exe\"/>\r\n"
                                         "\t\t</FileName>\r\n"
                                         "\t</Call>\r\n");
    Load(original);
    ASSERT_EQ(Log.Count(), 0) << Log.Items(0)->GetText().toStdString();
    ASSERT_EQ(Scheme->SaveToBytes(), original);
    TElement_Call* call = First<TElement_Call>();
    ASSERT_NE(call, nullptr);

    ASSERT_TRUE(CallWaitPaletteItem()->Execute(call, true));
    EXPECT_TRUE(call->Wait());
    EXPECT_TRUE(Scheme->SaveToBytes().contains("<Call Wait=\"1\">"));
    Undo.Undo();
    EXPECT_EQ(Scheme->SaveToBytes(), original);
}

TEST_F(CommandFile, ANewCallHoldsAFileNameThatChoosesAmongPrograms)
{
    TNodePtr<TElement> element = TElement_Call::StaticClass()->CreateElement(Scheme.get());
    auto* call = static_cast<TElement_Call*>(element.get());
    call->InitializeNewTree(nullptr);
    TElement_FileName* fileName = nullptr;
    for (TNode* node = call->FileNameField()->FirstChild(); node != nullptr; node = node->NextSibling()) {
        if (auto* found = dynamic_cast<TElement_FileName*>(node))
            fileName = found;
    }
    ASSERT_NE(fileName, nullptr);
    TFileDialogFilters filters;
    fileName->SendMessage(tmFileFilters, &filters);
    EXPECT_EQ(filters.DialogFilters(), u"Programs (*.exe *.com *.bat *.pif);;All Files (*)");
}

TEST_F(CommandFile, AJumpBindsToLabelsOnly)
{
    struct Row
    {
        const char* Name;
        const char* Named;
        bool Binds;
    };
    const Row rows[] = {
        {"label", "\t<Label>\r\n\t\t<Name Value=\"Again\"/>\r\n\t</Label>\r\n", true},
        {"file connection", "\t<FileConnection>\r\n\t\t<Name Value=\"Again\"/>\r\n\t</FileConnection>\r\n",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        Scheme = CreateScheme(TCommandFileSchemeDescriptor::StaticClass());
        Scheme->SetMessages(&Log);
        Load(Document(QByteArray(row.Named) +
                      QByteArray("\t<Jump>\r\n\t\t<Label Value=\"Again\"/>\r\n\t</Jump>\r\n")));
        TElement_Jump* jump = First<TElement_Jump>();
        ASSERT_NE(jump, nullptr);
        EXPECT_EQ(jump->LabelField()->Target() != nullptr, row.Binds);
        EXPECT_EQ(jump->LabelField()->GetText(), u"Again");
    }
}

} // namespace
} // namespace qv
