// Document roots: options, parts and how they are stored.

#include "core/knot.h"
#include "elements/scheme.h"
#include "elements/scheme_filer.h"
#include "roots/root.h"
#include "roots/root_parts.h"

#include "support/printers.h"
#include "support/test_elements.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Root, OptionsAndPartsOfEachRoot)
{
    TScheme scheme(TRoot::StaticClass(), QStringLiteral("Doc"));
    auto* root = static_cast<TRoot*>(scheme.Root());
    EXPECT_EQ(root->BehaviourOptions(), 0x44020041u);
    EXPECT_EQ(root->ContentOptions(), 32u);
    EXPECT_EQ(root->GetGeneralElementsNamespace(), root->GeneralElementsNamespace());
    ASSERT_NE(dynamic_cast<IGeneralElementsOwner*>(root), nullptr);
    EXPECT_EQ(root->GetPartKnotName(root->SourcePathValue(), fmFile), QStringLiteral("SourcePathValue"));
    EXPECT_EQ(root->GetPartKnotName(root->SourceNameValue(), fmFile), QStringLiteral("SourceNameValue"));

    TScheme processing(TRootWithProcessing::StaticClass(), QStringLiteral("Doc"));
    auto* withProcessing = static_cast<TRootWithProcessing*>(processing.Root());
    EXPECT_EQ(withProcessing->GetPartKnotName(withProcessing->UnitedLanguages(), fmFile),
              QStringLiteral("UnitedLanguages"));
    EXPECT_EQ(
        withProcessing->GetPartKnotName(withProcessing->ApplicationInsideValuesNamespaceConnection(), fmFile),
        QStringLiteral("ApplicationInsideValuesNamespaceConnection"));

    TScheme plain(TPlainTextRoot::StaticClass(), QStringLiteral("FreeText"));
    auto* plainRoot = static_cast<TPlainTextRoot*>(plain.Root());
    EXPECT_EQ(plainRoot->BehaviourOptions(), 0x44024005u);
    EXPECT_EQ(plainRoot->ContentOptions(), 127u);
}

TEST(Root, EmptyPartsStayOutOfFilesAndSnapshotsKeepContentApart)
{
    TScheme scheme(TRoot::StaticClass(), QStringLiteral("Doc"));
    auto* root = static_cast<TRoot*>(scheme.Root());
    root->Textor()->SetText(u"a\r\nb");
    TKnot file;
    scheme.SaveToKnot(root, fmFile, &file, ffFileSave);
    EXPECT_EQ(file.SaveToText(),
              QStringLiteral("<Doc FormatVersion=\"1.2\">\r\n\t<Chars Value=\"a\"/><Br/>\r\n"
                             "\t<Chars Value=\"b\"/>\r\n</Doc>\r\n"));

    // A snapshot stores the parts with their IDs and the content under "Floating".
    TKnot snapshot;
    scheme.SaveToKnot(root, fmSnapshot, &snapshot, 0);
    ASSERT_NE(snapshot.FindKnot(QStringLiteral("Floating")), nullptr);
    ASSERT_NE(snapshot.FindKnot(QStringLiteral("GeneralElementsNamespace")), nullptr);
    const int32_t namespaceID = root->GeneralElementsNamespace()->ID();

    TScheme copy(TRoot::StaticClass(), QStringLiteral("Doc"));
    auto* restored = static_cast<TRoot*>(copy.Root());
    snapshot.SetReadMarks(false);
    copy.LoadFromKnot(restored, fmSnapshot, &snapshot);
    EXPECT_EQ(restored->GetText(), QStringLiteral("a\r\nb"));
    EXPECT_EQ(restored->GeneralElementsNamespace()->ID(), namespaceID);
}

} // namespace
} // namespace qv
