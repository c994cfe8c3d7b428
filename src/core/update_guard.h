#pragma once

#include <utility>

namespace qv {

// Opens an update bracket (BeginUpdate) for its lifetime and closes it (EndUpdate) on every way out,
// exceptions included. Works with every bracketed object: schemes, sheets, text fields, settings,
// message lists, drop-down lists. Moving hands the open bracket over to the new guard; a bracket that
// outlives one function is held by a member guard and moved into a local one where it must close.
template <class T>
class [[nodiscard]] TUpdateGuard
{
public:
    explicit TUpdateGuard(T& target) : FTarget(&target) { FTarget->BeginUpdate(); }
    explicit TUpdateGuard(T* target) : FTarget(target)
    {
        if (FTarget != nullptr)
            FTarget->BeginUpdate();
    }
    ~TUpdateGuard()
    {
        if (FTarget != nullptr)
            FTarget->EndUpdate();
    }
    TUpdateGuard(TUpdateGuard&& other) noexcept : FTarget(std::exchange(other.FTarget, nullptr)) {}
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

private:
    T* FTarget;
};

} // namespace qv
