// Throughput of the field expression evaluator and the format engine, the
// two steps every field of every record may pass through.
#include "expr/evaluator.h"
#include "expr/format.h"
#include "text/locale.h"

#include <benchmark/benchmark.h>

namespace {

pv::FieldValues Fields() {
    pv::FieldValues f;
    f[1] = pv::Value::MakeText("12.5");
    f[2] = pv::Value::MakeText("3");
    return f;
}

void BM_EvaluateWeightConversion(benchmark::State& state) {
    pv::Evaluator ev;
    auto fields = Fields();
    for (auto _ : state) {
        auto r = ev.EvaluateExpression("val(field(1)) * 2.2046 + 1", fields);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateWeightConversion);

void BM_EvaluateComparisons(benchmark::State& state) {
    pv::Evaluator ev;
    auto fields = Fields();
    for (auto _ : state) {
        auto r = ev.EvaluateExpression(
            "(field(1) > 10 and field(1) <= 20) or (field(2) <> 3 and val(field(2)) >= 1.5)",
            fields);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateComparisons);

void BM_FormatStandardPattern(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::Value v = pv::Value::MakeDouble(1234567.891);
    for (auto _ : state) {
        auto s = pv::FormatValue(v, "#,##0.00");
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatStandardPattern);

void BM_FormatScientific(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::Value v = pv::Value::MakeDouble(0.000123456);
    for (auto _ : state) {
        auto s = pv::FormatValue(v, "Scientific");
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatScientific);

void BM_FormatFieldText(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::Value v = pv::Value::MakeText("12.5");
    for (auto _ : state) {
        auto s = pv::FormatValue(v, "Fixed");
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatFieldText);

void BM_FormatDateTime(benchmark::State& state) {
    pv::DateTime dt{2024, 1, 5, 14, 7, 9};
    for (auto _ : state) {
        auto s = pv::FormatDateTime(dt, "yyyy-mm-dd hh:nn:ss");
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatDateTime);

} // namespace
