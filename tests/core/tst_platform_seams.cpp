// The process-wide service slots, the clock and the program's folders.

#include "core/app_folders.h"
#include "core/clock.h"

#include "support/fake_app_folders.h"
#include "support/fake_clock.h"
#include "support/printers.h"
#include "support/scoped_environment.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ServiceSlot, ScopedInstallersNestAndPutBackWhatWasThere)
{
    IClock* system = &Clock();
    ASSERT_NE(dynamic_cast<TSystemClock*>(system), nullptr);
    const int64_t before = Clock().MonotonicMs();
    {
        TFakeClock outer;
        {
            TFakeClock inner;
            inner.Advance(5);
            EXPECT_EQ(Clock().MonotonicMs(), 10005);
        }
        EXPECT_EQ(&Clock(), &outer);
    }
    EXPECT_EQ(&Clock(), system);
    EXPECT_GE(Clock().MonotonicMs(), before);
}

TEST(AppFolders, UserFoldersFollowTheEnvironmentAndProgramFoldersTheProgram)
{
    struct TRow
    {
        const char* Config; // XDG_CONFIG_HOME, null: unset
        const char* Data;   // XDG_DATA_HOME, null: unset
        const char* ConfigFolder;
        const char* DataFolder;
    };
    const TRow rows[] = {
        {"/xdg/config", "/xdg/data/", "/xdg/config/quorvane", "/xdg/data/quorvane"},
        {nullptr, nullptr, "/home/someone/.config/quorvane", "/home/someone/.local/share/quorvane"},
        {"relative/config", "", "/home/someone/.config/quorvane", "/home/someone/.local/share/quorvane"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.ConfigFolder);
        TScopedEnvironment environment;
        environment.Set("HOME", "/home/someone");
        environment.Set("XDG_CONFIG_HOME", row.Config);
        environment.Set("XDG_DATA_HOME", row.Data);
        EXPECT_EQ(AppFolder(afUserConfig), QString::fromUtf8(row.ConfigFolder));
        EXPECT_EQ(AppFolder(afUserData), QString::fromUtf8(row.DataFolder));
    }
    const QString program = QCoreApplication::applicationDirPath();
    EXPECT_EQ(AppFolder(afProgram), program);
    EXPECT_EQ(QStringList({AppFolder(afThemes), AppFolder(afModules), AppFolder(afTranslators)}),
              QStringList({program + QStringLiteral("/Themes"), program + QStringLiteral("/VCL"),
                           program + QStringLiteral("/Translators")}));
}

TEST(AppFolders, TestsRedirectEveryFolder)
{
    {
        TFakeAppFolders folders(QStringLiteral("/tmp/run"));
        EXPECT_EQ(QStringList({AppFolder(afUserConfig), AppFolder(afUserData), AppFolder(afModules)}),
                  QStringList({QStringLiteral("/tmp/run/config"), QStringLiteral("/tmp/run/data"),
                               QStringLiteral("/tmp/run/program/VCL")}));
    }
    EXPECT_EQ(AppFolder(afProgram), QCoreApplication::applicationDirPath());
}

} // namespace
} // namespace qv
