#include "core/errors.h"

#include "core/strings.h"

namespace qv {

EQvError::EQvError(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}

void RaiseStr(int id, std::initializer_list<QString> params)
{
    throw EQvError(LoadStr(id, params));
}

} // namespace qv
