#pragma once

// A measuring context with fixed, integer metrics, so layout results are exact numbers. Header only:
// the text layout benchmark uses it too.

#include "textor/measuring_context.h"

#include <QHash>

#include <memory>

namespace qv {

// Metrics of one fake face: every character is DefaultAdvance wide unless Advances says otherwise.
struct TFixedFontSpec
{
    int Ascent = 10;
    int Descent = 3;
    int AvgCharWidth = 5; // tab width 40
    int DefaultAdvance = 10;
    QHash<char32_t, int> Advances;
};

class TFixedMeasuredFont : public IMeasuredFont
{
public:
    explicit TFixedMeasuredFont(const TFixedFontSpec& metrics) : FSpec(metrics)
    {
        for (char32_t c = 0; c < 256; ++c)
            FLatin[c] = FSpec.Advances.value(c, FSpec.DefaultAdvance);
    }

    TFontMetricsInfo Metrics() const override { return {FSpec.Ascent, FSpec.Descent, FSpec.AvgCharWidth}; }
    int Advance(char32_t c) const override
    {
        ++AdvanceCalls;
        return c < 256 ? FLatin[c] : FSpec.Advances.value(c, FSpec.DefaultAdvance);
    }

    // Characters measured by every fake font (work counts in tests).
    static inline int AdvanceCalls = 0;

private:
    TFixedFontSpec FSpec;
    int FLatin[256];
};

// Faces not registered with SetFace use the default metrics. Counts the fonts it creates.
class TFixedMeasuringContext : public IMeasuringContext
{
public:
    TFixedMeasuringContext() = default;
    explicit TFixedMeasuringContext(const TFixedFontSpec& defaultSpec) : FDefault(defaultSpec) {}

    void SetFace(const QString& face, const TFixedFontSpec& metrics) { FFaces.insert(face, metrics); }
    void SetInstalled(const QStringList& faces) { FInstalled = faces; }
    int FontsCreated() const { return FFontsCreated; }

    int DpiY() const override { return Dpi; }
    std::shared_ptr<IMeasuredFont> CreateFont(const TFontRequest& request) override
    {
        ++FFontsCreated;
        return std::make_shared<TFixedMeasuredFont>(FFaces.value(request.Face, FDefault));
    }
    bool HasFamily(const QString& face) const override
    {
        return FInstalled.contains(face, Qt::CaseInsensitive);
    }

    int Dpi = 96; // the screen resolution it reports

private:
    TFixedFontSpec FDefault;
    QHash<QString, TFixedFontSpec> FFaces;
    QStringList FInstalled;
    int FFontsCreated = 0;
};

// Installs a context for the lifetime of a scope and puts the previous one back.
class TScopedMeasuringContext
{
public:
    explicit TScopedMeasuringContext(std::unique_ptr<IMeasuringContext> context)
        : FPrevious(TDeviceContextManager::SetInstance(std::move(context)))
    {}
    ~TScopedMeasuringContext() { TDeviceContextManager::SetInstance(std::move(FPrevious)); }
    TScopedMeasuringContext(const TScopedMeasuringContext&) = delete;
    TScopedMeasuringContext& operator=(const TScopedMeasuringContext&) = delete;

private:
    std::unique_ptr<IMeasuringContext> FPrevious;
};

} // namespace qv
