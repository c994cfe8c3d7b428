#include "core/paths.h"

#include "support/printers.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct TPathRow
{
    const char* Name;
    const char* Base;
    const char* Path;
    const char* Result;
};

void PrintTo(const TPathRow& row, std::ostream* os)
{
    *os << row.Name;
}

std::string RowName(const ::testing::TestParamInfo<TPathRow>& info)
{
    return info.param.Name;
}

class MakeRelativePathRows : public ::testing::TestWithParam<TPathRow>
{
};

TEST_P(MakeRelativePathRows, RelatesTargetToBase)
{
    const TPathRow& row = GetParam();
    EXPECT_EQ(MakeRelativePath(QString::fromUtf8(row.Base), QString::fromUtf8(row.Path)),
              QString::fromUtf8(row.Result));
}

const TPathRow relativeRows[] = {
    {"Sibling", "/a/b", "/a/c/d.txt", "../c/d.txt"},
    {"Below", "/a", "/a/b/f.txt", "./b/f.txt"},
    {"Equal", "/a/b", "/a/b", "."},
    {"EqualWithSlash", "/a/b", "/a/b/", "./"},
    {"Above", "/a/b/c", "/a", "../.."},
    {"AboveFolder", "/a/b/c", "/a/", "../../"},
    {"OnlyTheRootShared", "/x/y", "/p/q.txt", "../../p/q.txt"},
    {"BaseEndsWithSlash", "/a/b/", "/a/c", "../c"},
    {"DoubledSlashesIgnored", "//a//b", "/a/c//d", "../c/d"},
    {"CaseMatters", "/Docs/a", "/docs/a/f", "../../docs/a/f"},
    {"PartsComparedWhole", "/a/bc", "/a/b/f", "../b/f"},
    {"RelativeBaseAndTarget", "a/b", "a/c", "../c"},
    {"AbsoluteTargetOfRelativeBase", "a/b", "/a/c", "/a/c"},
    {"RelativeTargetOfAbsoluteBase", "/a/b", "a/c", "a/c"},
    {"EmptyBase", "", "/a/c", "/a/c"},
    {"EmptyTarget", "/a", "", ""},
    {"Root", "/", "/etc/f", "./etc/f"},
    {"ToRoot", "/etc", "/", "../"},
};

INSTANTIATE_TEST_SUITE_P(Paths, MakeRelativePathRows, ::testing::ValuesIn(relativeRows), RowName);

class ExpandRelativePathRows : public ::testing::TestWithParam<TPathRow>
{
};

TEST_P(ExpandRelativePathRows, AppliesRelativeToBase)
{
    const TPathRow& row = GetParam();
    EXPECT_EQ(ExpandRelativePath(QString::fromUtf8(row.Base), QString::fromUtf8(row.Path)),
              QString::fromUtf8(row.Result));
}

const TPathRow expandRows[] = {
    {"Sibling", "/a/b", "../c/d.txt", "/a/c/d.txt"},
    {"Below", "/a", "./b/f.txt", "/a/b/f.txt"},
    {"Plain", "/a", "b/f.txt", "/a/b/f.txt"},
    {"Dot", "/a/b", ".", "/a/b"},
    {"DotWithSlash", "/a/b", "./", "/a/b/"},
    {"FolderKeepsItsSlash", "/a", "b/c/", "/a/b/c/"},
    {"EmptyPartsIgnored", "/a", "b//.//c", "/a/b/c"},
    {"NeverAboveTheRoot", "/a", "../../../x", "/x"},
    {"UpToTheRoot", "/a", "..", "/"},
    {"UpToTheRootWithSlash", "/a", "../", "/"},
    {"AbsoluteRelative", "/a", "/etc/f", "/etc/f"},
    {"EmptyRelative", "/a/b", "", "/a/b"},
    {"BaseWithSlashes", "//a//b/", "c", "/a/b/c"},
    {"RelativeBaseKeepsItsDotDots", "a", "../../x", "../x"},
    {"RelativeBaseUsedUp", "a/b", "../..", "."},
    {"EmptyBase", "", "x/y", "x/y"},
    {"CaseKept", "/A", "B", "/A/B"},
};

INSTANTIATE_TEST_SUITE_P(Paths, ExpandRelativePathRows, ::testing::ValuesIn(expandRows), RowName);

// Whatever relative form is made, expanding it again gives the target back.
TEST(RelativePaths, ExpandingTheRelativeFormGivesTheTargetBack)
{
    const char* bases[] = {"/", "/a", "/a/b", "/a/b/c", "/x/y/z"};
    const char* targets[] = {"/a", "/a/b/f.txt", "/a/c/d.txt", "/x", "/a/b/c/d/e.txt", "/q/", "/a/b/"};
    for (const char* base : bases) {
        for (const char* target : targets) {
            const QString relative = MakeRelativePath(QString::fromUtf8(base), QString::fromUtf8(target));
            EXPECT_EQ(ExpandRelativePath(QString::fromUtf8(base), relative), QString::fromUtf8(target))
                << base << " → " << target << " via " << relative.toStdString();
        }
    }
}

} // namespace
} // namespace qv
