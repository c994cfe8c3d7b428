#pragma once

#include "core/property.h"

namespace qv {

class TElementMessage;
class TElementMessages;

// The settings node "Log": which kinds of messages the log writes. Fatal errors, missing values and
// invalid content are always written.
class TLogSettings : public TProperty
{
    QV_CLASS(TLogSettings, TProperty)

public:
    explicit TLogSettings(TProperty* parent);

    TBooleanProperty* WriteInformation() const { return FWriteInformation; }
    TBooleanProperty* WriteHints() const { return FWriteHints; }
    TBooleanProperty* WriteWarnings() const { return FWriteWarnings; }

    // Whether a message of that kind passes the settings.
    bool Accepts(uint8_t kind) const;
    // A filter for TElementMessages::SetOnFilter; the context is the TLogSettings.
    static bool Filter(void* context, TElementMessages* messages, const TElementMessage* message);

private:
    TBooleanProperty* FWriteInformation;
    TBooleanProperty* FWriteHints;
    TBooleanProperty* FWriteWarnings;
};

} // namespace qv
