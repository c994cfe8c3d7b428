#pragma once

#include <QString>

namespace qv {

// Longest value, in UTF-16 code units, that a message quotes; longer values keep their first
// messageValueKeep units followed by "...".
constexpr int messageValueMax = 200;
constexpr int messageValueKeep = 197;

// Prepares a value (a name, a file name, a piece of text) for quoting inside a message: shortened to
// messageValueMax units, then every control character and square bracket replaced by U+FFFD, because
// square brackets mark the linked part of a message. Other characters — no-break spaces included — are
// kept. A surrogate pair is never cut in two: the cut then moves one unit earlier.
QString MessageValueText(const QString& value);

} // namespace qv
