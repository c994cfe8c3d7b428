#include "elements/processing_service.h"

#include <utility>

namespace qv {

namespace {

IProcessingService* installedService = nullptr;

} // namespace

IProcessingService* ProcessingService()
{
    return installedService;
}

IProcessingService* SetProcessingService(IProcessingService* service)
{
    return std::exchange(installedService, service);
}

} // namespace qv
