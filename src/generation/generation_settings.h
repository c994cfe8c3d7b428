#pragma once

#include "core/property.h"

namespace qv {

struct TRunSettings;

// The settings node "Generation": how generated files are protected and which header lines they get,
// and how long an outside compiler may run. One process-wide instance (GenerationSettings), attached
// to the application's settings. User-interface thread only: a run copies them when it starts
// (Snapshot).
class TGenerationSettings : public TProperty
{
    QV_CLASS(TGenerationSettings, TProperty)

public:
    explicit TGenerationSettings(TProperty* parent = nullptr,
                                 const QString& name = QStringLiteral("Generation"));

    TBooleanProperty* MakeReadOnly() const { return FMakeReadOnly; }
    TBooleanProperty* InsertWarning() const { return FInsertWarning; }
    TBooleanProperty* InsertSourceName() const { return FInsertSourceName; }
    TBooleanProperty* InsertDate() const { return FInsertDate; }
    TBooleanProperty* InsertTime() const { return FInsertTime; }
    // Seconds; 0: no limit.
    TIntegerProperty* CompilerTimeLimit() const { return FCompilerTimeLimit; }

    // The values a run works with, and the program's name for the warning line.
    TRunSettings Snapshot() const;

private:
    TBooleanProperty* FMakeReadOnly;
    TBooleanProperty* FInsertWarning;
    TBooleanProperty* FInsertSourceName;
    TBooleanProperty* FInsertDate;
    TBooleanProperty* FInsertTime;
    TIntegerProperty* FCompilerTimeLimit;
};

TGenerationSettings& GenerationSettings();

} // namespace qv
