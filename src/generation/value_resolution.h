#pragma once

namespace qv {

// Registers how a generator worker resolves the value elements of value_elements.h and
// replacement.h (and the application's built-in values). Called by RegisterValueElements.
void RegisterValueElementHandlers();

} // namespace qv
