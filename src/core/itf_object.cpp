#include "core/itf_object.h"

#include <optional>

namespace qv {

TItfObject::~TItfObject() = default;

void TItfObject::Notify(int notify, intptr_t param1, intptr_t param2)
{
    CallHandlers(notify, param1, param2);
}

int TItfObject::AddHandler(const TItfNotifyEvent& handler)
{
    FHandlers.push_back(handler);
    return HandlerCount() - 1;
}

int TItfObject::IndexOfHandler(const TItfNotifyEvent& handler) const
{
    for (int i = HandlerCount() - 1; i >= 0; --i) {
        if (FHandlers[static_cast<size_t>(i)] == handler)
            return i;
    }
    return -1;
}

void TItfObject::RemoveHandler(const TItfNotifyEvent& handler)
{
    const int index = IndexOfHandler(handler);
    if (index >= 0)
        FHandlers.erase(FHandlers.begin() + index);
}

// The walk goes from the last handler to the first. Handlers may change the list while they run, so
// after every call the walk finds its place again:
//  1. the handler just called is still at the current position: go on below it; it becomes the last
//     called one;
//  2. it moved: go on below its new position;
//  3. it is gone and a last called handler exists: go on below that handler's present position (the
//     walk ends when that one is gone too);
//  4. otherwise start again at the top.
// Each handler is copied before it is called and positions are indices, so a reallocation of the list
// during a call cannot hurt. Restarts (rule 4) are bounded so that a handler that keeps replacing
// itself cannot loop for ever.
void TItfObject::CallHandlers(int notify, intptr_t param1, intptr_t param2)
{
    constexpr int maxRestarts = 64;
    int restarts = 0;
    std::optional<TItfNotifyEvent> lastCalled;
    int position = HandlerCount() - 1;
    while (position >= 0) {
        const TItfNotifyEvent handler = FHandlers[static_cast<size_t>(position)];
        handler(this, notify, param1, param2);
        if (position < HandlerCount() && FHandlers[static_cast<size_t>(position)] == handler) {
            lastCalled = handler;
            --position;
            continue;
        }
        const int moved = IndexOfHandler(handler);
        if (moved >= 0) {
            position = moved - 1;
        } else if (lastCalled) {
            const int previous = IndexOfHandler(*lastCalled);
            position = previous < 0 ? -1 : previous - 1;
        } else if (++restarts <= maxRestarts) {
            position = HandlerCount() - 1;
        } else {
            position = -1;
        }
    }
}

} // namespace qv
