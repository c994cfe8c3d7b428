#pragma once

#include <cstdint>

namespace qv {

// The offers of space (TVisualElement::GetAvailableSize) asked of visual elements since the start, on
// any thread: a work count for tests and benches, which compare it before and after a layout.
int64_t OffersAskedForTesting();

} // namespace qv
