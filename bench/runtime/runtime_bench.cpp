// Pipeline throughput: bytes through the assembler, the field chain
// (expression, format, pre-transfer translation) and keystroke text
// building, handed to a sink that only shows and counts the record.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>

#include "runtime/runtime.h"
#include "serial/virtual_driver.h"
#include "text/messages.h"

namespace {

class StillClock : public pv::Clock {
  public:
    uint32_t TickCount() override { return 1000; }
    pv::DateTime Now() override { return pv::DateTime{2024, 3, 5, 14, 7, 9}; }
};

struct Pipeline {
    pv::Config config;
    StillClock clock;
    pv::SilentMessages messages;
    pv::MemorySettingsStore store;
    pv::VirtualSerialDriver device;
    pv::SerialPort port{device, clock, messages};
    std::unique_ptr<pv::Runtime> runtime;

    explicit Pipeline(pv::OutputModes mode) {
        config.RunMode = pv::RunVirtual;
        config.OutputMode = mode;
        config.LogFileName = std::string("/dev/null");
        config.KeyTargetSpecified = pv::False;
        config.RecordStructure = pv::DelimitedFields;
        config.FieldCount = 3;
        config.FieldDelimiter = std::string(",");
        config.FieldFilter[1] = std::string("N");
        config.FieldMathExpression[1] = std::string("field(1) * 2.5");
        config.FieldFormat[1] = std::string("0.00");
        config.FieldPostamble[1] = std::string("{TAB}");
        config.FieldPostamble[2] = std::string("{TAB}");
        config.FieldPostamble[3] = std::string("{ENTER}");
        runtime = std::make_unique<pv::Runtime>(config, port, clock, messages, store);
        runtime->Start();
    }
};

// One record: a weight, a product code and a lot description.
const std::string kRecord = "  1234.567,PRODUCT-CODE-000123,LOT 2024-03-05 LINE 7 STATION 12 OK\r";

// `configure` changes the settings before the run starts again.
void RunPipeline(benchmark::State& state, pv::OutputModes mode,
                 const std::function<void(pv::Config&)>& configure = {}) {
    Pipeline p(mode);
    if (configure) {
        configure(p.config);
        p.runtime->Start(); // compiles the fields again with the new settings
    }
    std::string block;
    while (block.size() < 64 * 1024)
        block += kRecord;
    for (auto _ : state) {
        p.device.Push(block);
        p.runtime->PollTick();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(block.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(block.size() / kRecord.size()));
    state.counters["record_bytes"] = double(kRecord.size());
}

void BM_PipelineKeystrokes(benchmark::State& state) {
    RunPipeline(state, pv::SendKeystrokes);
}
void BM_PipelineDde(benchmark::State& state) {
    RunPipeline(state, pv::DdeServer);
}
BENCHMARK(BM_PipelineKeystrokes);
BENCHMARK(BM_PipelineDde);

// The same path with a smaller block per tick, as a running window sees it.
void BM_PollTickVirtual(benchmark::State& state) {
    Pipeline p(pv::SendKeystrokes);
    std::string block;
    while (block.size() < 4 * 1024)
        block += kRecord;
    for (auto _ : state) {
        p.device.Push(block);
        p.runtime->PollTick();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(block.size()));
}
BENCHMARK(BM_PollTickVirtual);

} // namespace

namespace {

// A math expression and a format on every field: the conversion chain is
// the dominant cost per record, so this tracks the expression engine's
// share of the pipeline.
void BM_PipelineExprEveryField(benchmark::State& state) {
    RunPipeline(state, pv::SendKeystrokes, [](pv::Config& c) {
        c.FieldFilter[1] = std::string("C");
        c.FieldMathExpression[1] = std::string("val(field(1)) * 2.2046 + 1");
        c.FieldFormat[1] = std::string("0.00");
        c.FieldMathExpression[2] = std::string("ucase(trim(field(2)))");
        c.FieldFormat[2] = std::string(">");
        c.FieldMathExpression[3] = std::string("val(field(1)) > 1000 and val(field(1)) < 5000");
        c.FieldFormat[3] = std::string("Yes/No");
    });
}
BENCHMARK(BM_PipelineExprEveryField);

} // namespace
