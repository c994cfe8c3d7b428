#pragma once

// A process runner for tests: records every request and answers with scripted results; nothing is
// started. Install it for a scope with TScopedService<IProcessRunner>.

#include "core/process_runner.h"

#include <QByteArray>
#include <QFile>
#include <QList>

namespace qv {

class TFakeProcessRunner : public IProcessRunner
{
public:
    // One scripted run: its result, and what the program "writes" to the request's output file
    // (written only when the result says it started).
    struct TScript
    {
        TProcessResult Result;
        QByteArray Output;
    };

    // The requests, in order.
    QList<TProcessRequest> Requests;
    // Answers, first to last; when none is left, a program that ran and exited with code 0.
    QList<TScript> Scripts;

    TProcessResult Run(const TProcessRequest& request) override
    {
        Requests.append(request);
        TScript script;
        script.Result.Started = script.Result.Finished = true;
        script.Result.ExitCode = 0;
        if (!Scripts.isEmpty())
            script = Scripts.takeFirst();
        if (script.Result.Started && !request.OutputFile.isEmpty()) {
            QFile file(request.OutputFile);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(script.Output);
        }
        return script.Result;
    }
};

} // namespace qv
