#pragma once

#include "core/clock.h"

namespace qv {

// A clock that stands still until the test moves it. Installs itself for its lifetime and puts back
// the clock before it when it goes.
class TFakeClock : public IClock
{
public:
    QDateTime Time{QDate(2024, 3, 1), QTime(9, 30)};
    int64_t Ms = 10000;

    // Moves both readings forward by `ms` milliseconds.
    void Advance(int64_t ms)
    {
        Ms += ms;
        Time = Time.addMSecs(ms);
    }

    QDateTime Now() const override { return Time; }
    int64_t MonotonicMs() const override { return Ms; }

private:
    TScopedService<IClock> FInstalled{this};
};

} // namespace qv
