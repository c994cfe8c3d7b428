// The process-wide service slots and the clock.

#include "core/clock.h"

#include "support/fake_clock.h"
#include "support/printers.h"

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

} // namespace
} // namespace qv
