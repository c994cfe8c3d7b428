#pragma once

namespace qv {

// Opens an update bracket (BeginUpdate) for its lifetime and closes it (EndUpdate) on every way out,
// exceptions included. Works with every bracketed object: schemes, sheets, text fields, settings.
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
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

private:
    T* FTarget;
};

} // namespace qv
