#include "gateway/strBuffer_com.h"

#include <benchmark/benchmark.h>

namespace {

// A package for every recipient of a large list: one Message element each,
// appended to one slot and taken out once.
void BM_PackageOfMessages(benchmark::State& state) {
    const QString element = QStringLiteral(
        "<Message><Mesgbody>Sayin musterimiz, siparisiniz yola cikti.</Mesgbody><Number>5321234567</Number></Message>");
    for (auto _ : state) {
        qint32 slot = strBuffer_com::AllocBuffer();
        for (int64_t i = 0; i < state.range(0); ++i)
            strBuffer_com::AppendToBuffer(element, slot);
        benchmark::DoNotOptimize(strBuffer_com::BufferText(slot));
        strBuffer_com::FreeBuffer(slot);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PackageOfMessages)->Arg(1000)->Arg(50000);

} // namespace
