// Throughput of the field expression evaluator and the format engine, the
// two steps every field of every record may pass through: compiled once
// per run against compiled again for every record.
#include "expr/evaluator.h"
#include "expr/format.h"
#include "text/locale.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

pv::FieldValues Fields() {
    pv::FieldValues f;
    f[1] = pv::Value::MakeText("  1234.567");
    f[2] = pv::Value::MakeText("PRODUCT-CODE-000123");
    f[3] = pv::Value::MakeText("3");
    return f;
}

// A record with an expression and a format on every field.
struct FieldSetup {
    const char* expression;
    const char* format;
};
const FieldSetup kRecord[] = {{"val(field(1)) * 2.2046 + 1", "0.00"},
                              {"ucase(trim(field(2)))", ">"},
                              {"val(field(1)) > 1000 and val(field(3)) < 5000", "Yes/No"}};

void BM_RecordCompilePerRecord(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::EvalContext context;
    const pv::FieldValues base = Fields();
    pv::FieldValues fields;
    for (auto _ : state) {
        fields = base;
        for (size_t i = 0; i < 3; ++i) {
            pv::Value v =
                pv::CompileExpression(kRecord[i].expression).Evaluate(fields, context).Result;
            fields[i + 1] = pv::Value::MakeText(pv::CompileFormat(kRecord[i].format).Apply(v));
        }
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordCompilePerRecord);

void BM_RecordCompiled(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::EvalContext context;
    std::vector<pv::CompiledExpression> expressions;
    std::vector<pv::CompiledFormat> formats;
    for (const auto& f : kRecord) {
        expressions.push_back(pv::CompileExpression(f.expression));
        formats.push_back(pv::CompileFormat(f.format));
    }
    const pv::FieldValues base = Fields();
    pv::FieldValues fields;
    for (auto _ : state) {
        fields = base;
        for (size_t i = 0; i < 3; ++i) {
            pv::Value v = expressions[i].Evaluate(fields, context).Result;
            fields[i + 1] = pv::Value::MakeText(formats[i].Apply(v));
        }
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordCompiled);

void BM_EvaluateCompilePerCall(benchmark::State& state) {
    pv::EvalContext context;
    auto fields = Fields();
    for (auto _ : state) {
        auto r = pv::CompileExpression("val(field(1)) * 2.2046 + 1").Evaluate(fields, context);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateCompilePerCall);

void BM_EvaluateCompiled(benchmark::State& state) {
    pv::EvalContext context;
    auto fields = Fields();
    auto compiled = pv::CompileExpression("val(field(1)) * 2.2046 + 1");
    for (auto _ : state) {
        auto r = compiled.Evaluate(fields, context);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateCompiled);

void BM_EvaluateComparisonsCompiled(benchmark::State& state) {
    pv::EvalContext context;
    auto fields = Fields();
    auto compiled = pv::CompileExpression(
        "(field(1) > 10 and field(1) <= 20) or (field(3) <> 3 and val(field(3)) >= 1.5)");
    for (auto _ : state) {
        auto r = compiled.Evaluate(fields, context);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateComparisonsCompiled);

void BM_FormatCompilePerCall(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::Value v = pv::Value::MakeDouble(1234567.891);
    for (auto _ : state) {
        auto s = pv::CompileFormat("#,##0.00").Apply(v);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatCompilePerCall);

void BM_FormatCompiled(benchmark::State& state) {
    pv::SetCurrentNumericLocale(pv::NumericLocale{});
    pv::Value v = pv::Value::MakeDouble(1234567.891);
    auto format = pv::CompileFormat("#,##0.00");
    for (auto _ : state) {
        auto s = format.Apply(v);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatCompiled);

void BM_FormatDateTimeCompiled(benchmark::State& state) {
    pv::DateTime dt{2024, 1, 5, 14, 7, 9};
    auto format = pv::CompileFormat("yyyy-mm-dd hh:nn:ss");
    for (auto _ : state) {
        auto s = format.Apply(dt);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatDateTimeCompiled);

} // namespace
