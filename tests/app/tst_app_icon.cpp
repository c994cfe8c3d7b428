#include "app/app_icon.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

// Every size is linked into the program and is a picture of its size.
TEST(ApplicationIcon, HasEveryDrawnSize)
{
    const QIcon icon = ApplicationIcon();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(icon.pixmap(QSize(size, size)).size(), QSize(size, size));
    }
}

} // namespace
} // namespace qv
