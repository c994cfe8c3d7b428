#pragma once

#include "core/service_slot.h"

#include <QString>
#include <QStringList>

#include <atomic>

namespace qv {

// One run of an outside program (a compiler, a help or resource compiler).
struct TProcessRequest
{
    // A path, or a bare name looked up on PATH.
    QString Program;
    // Handed to the program one by one, as they are: no shell ever reads them.
    QStringList Arguments;
    // The program's current folder; empty: the current folder of this process.
    QString WorkingFolder;
    // The program's standard output replaces this file's content; empty: the output is discarded.
    // Standard input is empty; standard error is discarded unless CaptureErrors is set.
    QString OutputFile;
    // Standard error goes to OutputFile as well, interleaved with standard output as the program
    // writes them (tools that report only on standard error).
    bool CaptureErrors = false;
    // Milliseconds until a program still running is stopped; negative: no limit. The program runs in
    // a process group of its own, and stopping it stops the whole group: TERM first, then KILL for
    // whatever is left after GraceMs milliseconds.
    int TimeLimitMs = -1;
    int GraceMs = 3000;
    // Set from any thread to stop the program (and its group, as above) and return; not owned, may be
    // null.
    const std::atomic<bool>* Cancel = nullptr;
};

// How a run ended.
struct TProcessResult
{
    // The program was started (it existed, could be executed, and its output file could be opened).
    bool Started = false;
    // The program ended by itself; ExitCode is its exit code. False for a crash and for a kill.
    bool Finished = false;
    int ExitCode = -1;
    // Killed because TimeLimitMs passed, or because Cancel was set.
    bool TimedOut = false;
    bool Cancelled = false;
    // Why the program could not be started, or that it crashed; empty otherwise.
    QString ErrorText;
};

// Runs outside programs and waits for them. The real runner starts processes; tests install a
// fake that records requests and plays scripted results.
//
// Run blocks the calling thread until the program has ended (a killed program included); any
// thread may call it, generation threads do.
class IProcessRunner
{
public:
    virtual ~IProcessRunner() = default;

    virtual TProcessResult Run(const TProcessRequest& request) = 0;
};

// Starts real processes.
class TSystemProcessRunner : public IProcessRunner
{
public:
    TProcessResult Run(const TProcessRequest& request) override;
};

// The slot of the process runner; without an installed one, TSystemProcessRunner answers.
template <>
TServiceSlot<IProcessRunner>& ServiceSlot<IProcessRunner>();

// The current runner; never null.
inline IProcessRunner& ProcessRunner()
{
    return ServiceSlot<IProcessRunner>().Get();
}

} // namespace qv
