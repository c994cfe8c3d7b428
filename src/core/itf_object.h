#pragma once

#include <cstdint>
#include <vector>

namespace qv {

class TItfObject;

// A change handler: a member function bound to its object. Two handlers are equal when both the
// object and the member function are equal. Made with MakeNotifyEvent<&TClass::Method>(object).
struct TItfNotifyEvent
{
    using TThunk = void (*)(void* object, TItfObject* sender, int notify, intptr_t param1, intptr_t param2);

    void* Object = nullptr;
    TThunk Thunk = nullptr;

    bool operator==(const TItfNotifyEvent&) const = default;
    explicit operator bool() const { return Thunk != nullptr; }
    void operator()(TItfObject* sender, int notify, intptr_t param1, intptr_t param2) const
    {
        Thunk(Object, sender, notify, param1, param2);
    }
};

// One thunk per member function, so its address identifies the function.
template <auto Method, class C>
TItfNotifyEvent MakeNotifyEvent(C* object)
{
    return {object, [](void* target, TItfObject* sender, int notify, intptr_t param1, intptr_t param2) {
                (static_cast<C*>(target)->*Method)(sender, notify, param1, param2);
            }};
}

// The root of the program's own class tree: interface queries are dynamic_cast (no reference
// counting, lifetime is always by ownership) plus a list of change handlers that Notify calls.
class TItfObject
{
public:
    TItfObject() = default;
    TItfObject(const TItfObject&) = delete;
    TItfObject& operator=(const TItfObject&) = delete;
    virtual ~TItfObject();

    // Calls every handler as handler(this, notify, param1, param2), from the last registered to the
    // first. Handlers may add and remove handlers while the walk runs (see the .cpp for the rules).
    virtual void Notify(int notify, intptr_t param1 = 0, intptr_t param2 = 0);

    // Appends; the same handler may be registered twice. Returns its index.
    int AddHandler(const TItfNotifyEvent& handler);
    // Searches from the last entry to the first: a duplicate is found at its latest position.
    int IndexOfHandler(const TItfNotifyEvent& handler) const;
    // Removes the entry IndexOfHandler finds; nothing happens when the handler is not registered.
    void RemoveHandler(const TItfNotifyEvent& handler);
    int HandlerCount() const { return static_cast<int>(FHandlers.size()); }

    // Interface query without reference counting: the interface or nullptr.
    template <class I>
    I* QueryInterface()
    {
        return dynamic_cast<I*>(this);
    }

protected:
    // Runs the handler walk; for overrides of Notify that decide whether to call handlers at all.
    void CallHandlers(int notify, intptr_t param1, intptr_t param2);

private:
    std::vector<TItfNotifyEvent> FHandlers;
};

} // namespace qv
