// The main of the benchmarks that drive windows: headless, under the Turkish
// regional settings the add-in's users have, and with no page off this
// machine fetched.
#include "platform/forms/browser.h"
#include "platform/vb/regional.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vb::SetRegional(vb::RegionalSettings::turkish());
    forms::WebBrowser::setRemoteAllowed(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
