// The JSON of a record and the queue on disk that holds records for the broker.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

#include "output/mqtt_payload.h"
#include "output/mqtt_settings.h"
#include "output/record_queue.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

struct PayloadRow {
    const char* name;
    std::vector<std::string> fields;
    std::string fieldsJson; // what follows "config":"/c.PV3",
};

TEST(MqttPayload, FieldsAreLosslessAndTimeHasItsOffset) {
    // clang-format off
    const PayloadRow rows[] = {
        {"utf8_fields_pass_unchanged", {"12.5", "\xC2\xB5g"}, R"("fields":["12.5","µg"]})"},
        {"invalid_utf8_shows_latin1_and_base64_raw", {"ok", std::string("\xFF\0A", 3)}, R"("fields":["ok","ÿ\u0000A"],"raw":{"2":"/wBB"}})"},
        {"quotes_backslash_and_controls_are_escaped", {"a\"b\\c\x01\x7F\r\n\t"}, R"("fields":["a\"b\\c\u0001\u007f\r\n\t"]})"},
        {"overlong_form_is_not_utf8", {"\xC0\xAF"}, R"("fields":["À¯"],"raw":{"1":"wK8="}})"},
        {"one_leftover_byte_pads_twice", {"\xFF"}, R"("fields":["ÿ"],"raw":{"1":"/w=="}})"},
        {"surrogate_is_not_utf8", {"\xED\xA0\x80"}, "\"fields\":[\"\xC3\xAD\xC2\xA0\xC2\x80\"],\"raw\":{\"1\":\"7aCA\"}}"},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Record r;
        r.Number = 7;
        r.Time = {2026, 3, 4, 5, 6, 7};
        r.FieldCount = static_cast<int>(row.fields.size());
        for (size_t i = 0; i < row.fields.size(); ++i)
            r.Fields[i + 1] = row.fields[i];
        EXPECT_EQ(RecordPayload(r, {"/dev/ttyUSB0", "/c.PV3"}, 60),
                  R"({"record":7,"time":"2026-03-04T05:06:07+01:00","device":"/dev/ttyUSB0",)"
                  R"("config":"/c.PV3",)" +
                      row.fieldsJson);
    }
    EXPECT_EQ(IsoLocalTime({2026, 1, 2, 3, 4, 5}, -330), "2026-01-02T03:04:05-05:30");
    setenv("TZ", "XST-02:30", 1);
    tzset();
    EXPECT_EQ(UtcOffsetMinutes({2026, 1, 2, 3, 4, 5}), 150);
}

// Commands are refused without TLS: only "mqtts://" may count as TLS.
TEST(MqttSettings, BrokerUrlDecidesTlsHostAndPort) {
    struct Row {
        const char* url;
        bool ok, tls;
        const char* host;
        int port;
    };
    // clang-format off
    const Row rows[] = {{"mqtt://lab", true, false, "lab", 1883},
                        {"mqtts://lab", true, true, "lab", 8883},
                        {"mqtts://[::1]:9000/", true, true, "::1", 9000},
                        {"MQTTS://lab", false, false, "", 0},
                        {"mqtt://lab:0", false, false, "", 0},
                        {"mqtt://:1883", false, false, "", 0}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        BrokerAddress b;
        std::string why;
        ASSERT_EQ(ParseBrokerUrl(row.url, b, why), row.ok) << why;
        EXPECT_TRUE(!row.ok ||
                    std::tie(b.Tls, b.Host, b.Port) == std::tie(row.tls, row.host, row.port));
    }
}

TEST(RecordQueue, WaitingEntriesSurviveEveryWayOfEnding) {
    const fs::path dir = fs::temp_directory_path() / ("pvq-" + std::to_string(::getpid()));
    const std::string path = (dir / "sub" / "q.queue").string();
    using Steps = std::function<void(RecordQueue&, const std::string& path)>;
    struct Row {
        const char* name;
        Steps steps;
        std::vector<std::string> left;
    };
    auto add = [](RecordQueue& q, std::initializer_list<const char*> lines) {
        for (const char* l : lines)
            ASSERT_EQ(q.Append(l), RecordQueue::Added::Queued);
    };
    const std::string big(RecordQueue::kCompactBytes / 4, 'x');
    // clang-format off
    const Row rows[] = {
        {"entries_come_back_in_order", [&](auto& q, auto&) { add(q, {"a", "b", "c"}); }, {"a", "b", "c"}},
        {"dropped_entries_stay_dropped", [&](auto& q, auto&) { add(q, {"a", "b", "c"}); q.Drop(2); }, {"c"}},
        {"a_torn_last_line_is_cut_off", [&](auto& q, auto& p) { add(q, {"a"}); std::ofstream(p, std::ios::app) << "{\"record\":2"; }, {"a"}},
        {"a_full_queue_refuses_and_keeps_what_it_has",
         [&](auto& q, auto&) {
             for (int i = 0; i < 10; ++i) q.Append(std::to_string(i));
             EXPECT_EQ(q.Append("x"), RecordQueue::Added::Full);
             EXPECT_EQ(q.Append("y\nz"), RecordQueue::Added::Failed);
             q.Drop(9);
         }, {"9"}},
        {"compaction_keeps_the_waiting_rest",
         [&](auto& q, auto& p) {
             for (int i = 0; i < 5; ++i) q.Append(big);
             q.Append("last");
             q.Drop(5);
             std::string why;
             EXPECT_TRUE(q.Commit(why)) << why;
             EXPECT_LT(fs::file_size(p), 100u);
         }, {"last"}},
        {"a_head_of_another_file_reads_from_the_start",
         [&](auto& q, auto& p) { add(q, {"a", "b"}); q.Drop(1); q.Close(); std::ofstream(p + ".head") << "1 2\n"; }, {"a", "b"}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(dir);
        std::string why;
        {
            RecordQueue q;
            ASSERT_TRUE(q.Open(path, 10, why)) << why;
            RecordQueue second;
            EXPECT_FALSE(second.Open(path, 10, why)) << "a held queue opened twice";
            row.steps(q, path);
        }
        RecordQueue q; // what a fresh open finds, oldest first
        ASSERT_TRUE(q.Open(path, 10, why)) << why;
        std::vector<std::string> left(1);
        for (size_t i = 0; q.Read(i, left.back()); ++i)
            left.emplace_back();
        left.pop_back();
        EXPECT_EQ(left, row.left);
        q.Close();
        size_t count = 0;
        bool inUse = true;
        EXPECT_TRUE(RecordQueue::Count(path, count, inUse, why));
        EXPECT_EQ(count, row.left.size());
        EXPECT_FALSE(inUse);
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace pv
