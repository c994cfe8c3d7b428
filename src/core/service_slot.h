#pragma once

#include <atomic>

namespace qv {

// A process-wide service: the user interface, the clipboard, the clock, the process runner… Each
// service interface has one slot, which answers with the installed implementation or, when none is
// installed, with the service's own default (the silent, batch or system implementation).
//
// The slot never owns what is installed: whoever installs keeps it alive until it is uninstalled,
// best through TScopedService. Installing is meant for start-up and tests; Get() may be called from
// any thread.
template <class I>
class TServiceSlot
{
public:
    using TDefault = I& (*)();

    // `defaultService` gives the implementation used while nothing is installed; it is called on
    // every Get() without an installed service, so it returns a function-local static.
    explicit constexpr TServiceSlot(TDefault defaultService) : FDefault(defaultService) {}
    TServiceSlot(const TServiceSlot&) = delete;
    TServiceSlot& operator=(const TServiceSlot&) = delete;

    // The current implementation; never null.
    I& Get() const
    {
        I* service = FInstalled.load(std::memory_order_acquire);
        return service != nullptr ? *service : FDefault();
    }

    // Installs `service` (not owned); null restores the default. Returns what was installed before
    // (null for the default), so that the caller can put it back.
    I* Install(I* service) { return FInstalled.exchange(service, std::memory_order_acq_rel); }

private:
    TDefault FDefault;
    std::atomic<I*> FInstalled{nullptr};
};

// The slot of the service interface I. Every service header declares the specialisation for its
// interface, and its source file defines it.
template <class I>
TServiceSlot<I>& ServiceSlot();

// Installs a service for the lifetime of a scope and puts back what was installed before.
//   TFakeClock clock;
//   TScopedService<IClock> installed(&clock);
template <class I>
class TScopedService
{
public:
    explicit TScopedService(I* service) : FPrevious(ServiceSlot<I>().Install(service)) {}
    ~TScopedService() { ServiceSlot<I>().Install(FPrevious); }
    TScopedService(const TScopedService&) = delete;
    TScopedService& operator=(const TScopedService&) = delete;

private:
    I* FPrevious;
};

} // namespace qv
