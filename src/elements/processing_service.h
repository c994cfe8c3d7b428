#pragma once

#include <QList>

namespace qv {

class TElement;

// What the commands of the processing document types need from the generation run. The generation
// library installs its implementation at start-up; without one the commands only beep.
class IProcessingService
{
public:
    virtual ~IProcessingService() = default;

    // Every processor element of the document below `root`, in document order, disabled ones
    // included.
    virtual QList<TElement*> ProcessorElements(TElement* root) = 0;
    // Runs the given processors in their order, or every enabled one when `processors` is null. An
    // empty list tells the user that the document has no processors; a busy document only beeps.
    virtual void RunProcessors(TElement* root, const QList<TElement*>* processors) = 0;
    // Deletes what every enabled generator made, from the last generator to the first. The caller has
    // made sure the document is not busy and holds one undo group around the call.
    virtual void RemoveGenerated(TElement* root) = 0;
};

// The installed service, or null. Not owned; installed and removed on the user-interface thread.
IProcessingService* ProcessingService();
// Installs `service` (null removes it) and returns the previous one.
IProcessingService* SetProcessingService(IProcessingService* service);

} // namespace qv
