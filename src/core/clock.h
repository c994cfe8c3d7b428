#pragma once

#include "core/service_slot.h"

#include <QDateTime>

#include <cstdint>

namespace qv {

// The one clock of the program: everything that reads the time asks it (edit merging, double
// clicks, the date in generated headers), so that tests can set and advance the time.
// Any thread may read it.
class IClock
{
public:
    virtual ~IClock() = default;

    // The local date and time, for what people read.
    virtual QDateTime Now() const = 0;
    // Milliseconds of a monotonic counter that never goes back and does not follow changes of the
    // system time; only differences of its values mean something.
    virtual int64_t MonotonicMs() const = 0;
};

// The system's clock.
class TSystemClock : public IClock
{
public:
    QDateTime Now() const override;
    int64_t MonotonicMs() const override;
};

// The slot of the clock; without an installed one, TSystemClock answers.
template <>
TServiceSlot<IClock>& ServiceSlot<IClock>();

// The current clock; never null.
inline IClock& Clock()
{
    return ServiceSlot<IClock>().Get();
}

} // namespace qv
