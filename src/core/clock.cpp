#include "core/clock.h"

#include <QElapsedTimer>

namespace qv {

namespace {

IClock& SystemClock()
{
    static TSystemClock clock;
    return clock;
}

} // namespace

template <>
TServiceSlot<IClock>& ServiceSlot<IClock>()
{
    static constinit TServiceSlot<IClock> slot(&SystemClock);
    return slot;
}

QDateTime TSystemClock::Now() const
{
    return QDateTime::currentDateTime();
}

int64_t TSystemClock::MonotonicMs() const
{
    // Counted from the first reading; the counter of QElapsedTimer is monotonic where the system
    // offers one.
    static const QElapsedTimer start = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return start.elapsed();
}

} // namespace qv
