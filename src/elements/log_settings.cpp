#include "elements/log_settings.h"

#include "elements/element_messages.h"

namespace qv {

QV_IMPLEMENT_CLASS(TLogSettings)

TLogSettings::TLogSettings(TProperty* parent)
    : TProperty(parent, QStringLiteral("Log")),
      FWriteInformation(new TBooleanProperty(this, QStringLiteral("WriteInformation"), true)),
      FWriteHints(new TBooleanProperty(this, QStringLiteral("WriteHints"), true)),
      FWriteWarnings(new TBooleanProperty(this, QStringLiteral("WriteWarnings"), true))
{}

bool TLogSettings::Accepts(uint8_t kind) const
{
    switch (kind) {
    case mkInformation:
        return FWriteInformation->Value();
    case mkHint:
        return FWriteHints->Value();
    case mkError:
        return FWriteWarnings->Value();
    default:
        return true;
    }
}

std::function<bool(const TElementMessage& message)> TLogSettings::Filter() const
{
    return [this](const TElementMessage& message) {
        return Accepts(message.Kind());
    };
}

} // namespace qv
