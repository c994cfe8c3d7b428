#pragma once

#include "textor/measuring_context.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <functional>

namespace qv {

// The main of a benchmark program: without a display, as the tests run, unless a platform is
// chosen; `setUp` runs once the application exists (registrations, a measuring context).
// `TApplication` is QApplication for the window benches.
template <class TApplication = QGuiApplication>
int RunBenchmarks(int argc, char** argv, const std::function<void()>& setUp = {})
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication application(argc, argv);
    if (setUp)
        setUp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TDeviceContextManager::SetInstance(nullptr);
    return 0;
}

} // namespace qv
