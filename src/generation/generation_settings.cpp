#include "generation/generation_settings.h"

#include "generation/scheme_processor.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace qv {

QV_IMPLEMENT_CLASS(TGenerationSettings)

TGenerationSettings::TGenerationSettings(TProperty* parent, const QString& name) : TProperty(parent, name)
{
    FMakeReadOnly = new TBooleanProperty(this, QStringLiteral("MakeReadOnly"), false);
    FInsertWarning = new TBooleanProperty(this, QStringLiteral("InsertWarning"), true);
    FInsertSourceName = new TBooleanProperty(this, QStringLiteral("InsertSourceName"), true);
    FInsertDate = new TBooleanProperty(this, QStringLiteral("InsertDate"), true);
    FInsertTime = new TBooleanProperty(this, QStringLiteral("InsertTime"), false);
    FCompilerTimeLimit = new TIntegerProperty(this, QStringLiteral("CompilerTimeLimit"), 900, 0, 86400);
}

TRunSettings TGenerationSettings::Snapshot() const
{
    TRunSettings settings;
    settings.Options.MakeReadOnly = FMakeReadOnly->Value();
    const int seconds = FCompilerTimeLimit->Value();
    settings.Options.CompilerTimeLimitMs = seconds > 0 ? seconds * 1000 : -1;
    settings.InsertWarning = FInsertWarning->Value();
    settings.InsertSourceName = FInsertSourceName->Value();
    settings.InsertDate = FInsertDate->Value();
    settings.InsertTime = FInsertTime->Value();
    const QString program =
        QCoreApplication::instance() != nullptr ? QCoreApplication::applicationFilePath() : QString();
    settings.ProgramName = QFileInfo(program).completeBaseName();
    return settings;
}

TGenerationSettings& GenerationSettings()
{
    static TGenerationSettings settings;
    return settings;
}

} // namespace qv
