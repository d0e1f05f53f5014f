// Server reporting against the simulated management server, on the virtual clock: message bodies,
// reply decoding, retries and time-outs, uploads, new marks and the binding exchange.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "records/recordstore.h"
#include "report_fixture.h"

namespace
{

using Report = ReportUnit;

sim::NetworkConfig server_only(sim::ServerConfig s = {})
{
    sim::NetworkConfig c;
    c.server = s;
    return c;
}

int count_type(const std::vector<sim::ServerMessage>& msgs, const std::string& type)
{
    return int(std::count_if(msgs.begin(), msgs.end(), [&](auto& m) { return m.type == type; }));
}

TEST_F(Report, BodiesAreTheDocumentedTextsAndPassTheServersCheck)
{
    struct Case {
        int type;
        const char* body;
    } cases[] = {
        {REPORT_HEARTBEAT, "HeartBeat=1&Project=K7Q2&MacSerial=12345678901"},
        {REPORT_SERIAL, "Project=K7Q2&MacSerial=12345678901"},
        {REPORT_VERSION, "AppVer=1.19&Project=K7Q2&MacSerial=12345678901"},
        {REPORT_ELECTRODES, "ElecInfo=1&CurArcs=17&TotArcs=4242&Project=K7Q2&MacSerial=12345678901"},
        {REPORT_STATISTICS, "SplcInfo=1&CurSplcs=3&CurAvgLoss=0.03&Project=K7Q2&MacSerial=12345678901"},
    };
    for (const Case& c : cases) {
        std::string body = report_body(c.type, 17, 4242, 3, 0.025);
        EXPECT_EQ(body, c.body);
        EXPECT_TRUE(sim::check_report_body(body).problems.empty()) << body;
    }
    // Free text of a record is percent-encoded, so no place name can add a field.
    APPRECORD r = splice(7, "SM&X=1", "B=2&Result=True");
    r.dwSpliceTime = PackRecordTime(2026, 12, 10, 8, 5);
    std::string body = report_record_body(r);
    EXPECT_EQ(body, "SplcData=1&SplcTime=2026-12-10 08:05&SplcMode=SM%26X%3D1&LossVal=0.07&CoreAngle=0.3&"
                    "LeftAngle=0.5&RightAngle=1.2&CoreOffset=0.2&LossLimit=0.10&CleaveLimit=3.0&"
                    "Place=B%3D2%26Result%3DTrue&Project=K7Q2&MacSerial=12345678901");
    sim::ServerMessage m = sim::check_report_body(body);
    EXPECT_TRUE(m.problems.empty());
    EXPECT_EQ(m.fields[10].second, "B=2&Result=True");
}

TEST(ReportReply, OnlyTheExactResultTrueAcknowledges)
{
    struct Case {
        const char* reply;
        bool ack;
    } cases[] = {
        {"Result=True", true},
        {"Result=True&Bind=Request", true},
        {"Bind=Ready&Result=True", true},
        {"Result=TrueX", false},
        {"Result=Tru", false},
        {"Result=", false},
        {"Result=False", false},
        {"NoResult=True", false},
        {"Result", false},
        {"", false},
        {"&&&=True&Result=true", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(report_acknowledged(c.reply), c.ack) << c.reply;
    char out[8];
    EXPECT_EQ(decode_message("a=1&Bind=Request&x", "Bind", out, sizeof out), 0);
    EXPECT_STREQ(out, "Request");
    // A value longer than the room for it is not cut to fit.
    EXPECT_EQ(decode_message("Bind=Requested", "Bind", out, sizeof out), -1);
    std::string huge = "Result=" + std::string(1u << 20, 'T');
    EXPECT_FALSE(report_acknowledged(huge));
}

TEST(ReportBase64, KnownVectorsAndRoundTripThroughTheServer)
{
    const char* vectors[][2] = {{"", ""},
                                {"f", "Zg=="},
                                {"fo", "Zm8="},
                                {"foo", "Zm9v"},
                                {"foob", "Zm9vYg=="},
                                {"fooba", "Zm9vYmE="},
                                {"foobar", "Zm9vYmFy"}};
    for (auto& v : vectors)
        EXPECT_EQ(base64_encode(reinterpret_cast<const uint8_t*>(v[0]), std::strlen(v[0])), v[1]);
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += char(i);
    for (size_t n : {1u, 2u, 3u, 254u, 256u}) {
        std::vector<std::string> got;
        std::string body = "FbrImg=" + base64_encode(reinterpret_cast<const uint8_t*>(all.data()), n) +
                           "&Project=K7Q2&MacSerial=12345678901";
        EXPECT_TRUE(sim::check_report_body(body, &got).problems.empty());
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0], all.substr(0, n));
    }
}

TEST_F(Report, AcknowledgedSendRetriesRefusalsAndGivesUpOnTransferErrors)
{
    struct Case {
        std::vector<std::string> answers;
        int result;
        int messages;            // taken by the server
        uint64_t min_ms, max_ms; // virtual time of the whole send
        const char* printed;
    } cases[] = {
        {{"ack"}, 0, 1, 0, 1000, ""},
        {{"refuse", "garbage", "ack"}, 0, 3, 2000, 3000, ""},
        {{"refuse", "refuse", "refuse"}, 1, 3, 2000, 3000, "error:retry limit is reached"},
        {{"oversized"}, 1, 1, 0, 1000, "[send_to_server_with_ack]"},
        // A stalled answer's time passes in one piece on the unit's clock.
        {{"stall"}, 1, 1, 60000, 66000, "Timeout"},
    };
    for (const Case& c : cases) {
        sim::ServerConfig s;
        s.answers = c.answers;
        network(server_only(s));
        CURL* curl = report_handle_new(true);
        ASSERT_NE(curl, nullptr);
        REPLYBUF reply;
        out.clear();
        uint64_t t0 = now_ms();
        int r = quiet([&] { return send_to_server_with_ack(report_body(REPORT_SERIAL), &reply, curl); });
        uint64_t took = now_ms() - t0;
        report_handle_free(curl);
        EXPECT_EQ(r, c.result) << c.answers[0];
        EXPECT_EQ(int(server().messages().size()), c.messages) << c.answers[0];
        EXPECT_GE(took, c.min_ms) << c.answers[0];
        EXPECT_LE(took, c.max_ms) << c.answers[0];
        EXPECT_NE(out.find(c.printed), std::string::npos) << out;
        EXPECT_LE(reply.text.size(), REPORT_REPLY_MAX);
    }
}

TEST_F(Report, NoEndpointMeansNoHandle)
{
    EXPECT_EQ(report_handle_new(true), nullptr);
    for (const char* bad : {"ftp://127.0.0.1/receive", "http://127.0.0.1/other", "http://a b/receive",
                            "file:///etc/passwd#/receive"}) {
        sim::write_server_endpoint(bad);
        EXPECT_EQ(report_endpoint(), "") << bad;
    }
}

// The data cycle with three new splices while the server is unavailable for its first minute:
// nothing is marked until acknowledged, then every record goes, oldest first, with its images.
TEST_F(Report, RecordsStayNewUntilAcknowledgedThenAllAreSent)
{
    sim::ServerConfig s;
    s.down.push_back({0, 60000});
    network(server_only(s));
    for (uint8_t loss : {2, 4, 6})
        ASSERT_EQ(AppendRecord(std::make_unique<APPRECORD>(splice(loss)).get()), 0);
    // Images of the newest record.
    plat_mkdir("/mnt/usr/record", 0755);
    plat_mkdir("/mnt/usr/record/image", 0755);
    int slot = TransRecordIndex(3);
    const std::string x = "BM-x-image", y = "BM-y-image";
    for (auto [view, data] : {std::pair{"X", x}, std::pair{"Y", y}}) {
        char p[64];
        std::snprintf(p, sizeof p, "/mnt/usr/record/image/%s_%05d.bmp", view, slot + 1);
        std::ofstream(tb.path(p), std::ios::binary) << data;
    }
    ASSERT_EQ(RecordSetImageBit(slot), 0);
    NetInfo[1] = 1;
    plat_thread_t t = 0;
    quiet([&] { return plat_thread_create(&t, thread_routine_transmit_data_wifi, nullptr, "upload"); });
    quiet([&] { return plat_sleep_ms(55000); });
    int pos = 0;
    EXPECT_EQ(GetNewRecord(&pos), 0);
    EXPECT_EQ(pos, 1) << "a record was marked while the server was unavailable";
    quiet([&] { return plat_sleep_ms(60000); });
    quiet([&] { return plat_thread_stop(t); });
    EXPECT_EQ(GetNewRecord(&pos), 1);
    auto msgs = server().messages();
    std::vector<std::string> losses;
    for (auto& m : msgs) {
        EXPECT_TRUE(m.problems.empty()) << m.type;
        if (m.type == "record" && m.answer == "ack") losses.push_back(m.fields[3].second);
    }
    EXPECT_EQ(losses, (std::vector<std::string>{"0.02", "0.04", "0.06"}));
    EXPECT_GE(count_type(msgs, "images"), 2);
    EXPECT_EQ(slurp(tb.root() + "/sim/server/image_0001.bmp") +
                  slurp(tb.root() + "/sim/server/image_0002.bmp"),
              x + y);
    // One server line per message.
    std::string log = slurp(tb.root() + "/sim/server.jsonl");
    EXPECT_EQ(size_t(std::count(log.begin(), log.end(), '\n')), msgs.size());
}

TEST_F(Report, BindingRequestWaitsForTheOperatorsAnswer)
{
    sim::ServerConfig s;
    s.bind = "request";
    network(server_only(s));
    NetInfo[1] = 1;
    plat_thread_t t = 0;
    quiet([&] { return plat_thread_create(&t, thread_routine_transmit_data_wifi, nullptr, "upload"); });
    quiet([&] { return plat_sleep_ms(20000); });
    EXPECT_EQ(GetServerBindRequest(), 1);
    EXPECT_EQ(GetServerBindState(), 0);
    EXPECT_EQ(count_type(server().messages(), "binding"), 0);
    SetServerBindAnswer(1);
    quiet([&] { return plat_sleep_ms(20000); });
    quiet([&] { return plat_thread_stop(t); });
    EXPECT_EQ(GetServerBindRequest(), 0);
    auto msgs = server().messages();
    ASSERT_EQ(count_type(msgs, "binding"), 1);
    auto b = std::find_if(msgs.begin(), msgs.end(), [](auto& m) { return m.type == "binding"; });
    EXPECT_EQ(b->fields[0].second, "Accept");
    // The server then reports the unit bound; the machine table keeps it.
    EXPECT_EQ(GetServerBindState(), 1);
    EXPECT_EQ(reinterpret_cast<MachineParameter*>(machinePage)->bServerBind, 1);
}

TEST_F(Report, HeartbeatEveryTenSecondsOnlyWhileTheNetworkIsUp)
{
    network(server_only());
    plat_thread_t t = 0;
    quiet([&] {
        return plat_thread_create(&t, thread_routine_send_heartbeat_to_server, nullptr, "heartbeat");
    });
    quiet([&] { return plat_sleep_ms(30000); });
    EXPECT_EQ(server().messages().size(), 0u);
    NetInfo[1] = 1;
    quiet([&] { return plat_sleep_ms(35000); });
    NetInfo[1] = 0;
    quiet([&] { return plat_sleep_ms(30000); });
    quiet([&] { return plat_thread_stop(t); });
    auto msgs = server().messages();
    EXPECT_EQ(count_type(msgs, "heartbeat"), 4);
    for (size_t i = 1; i < msgs.size(); ++i)
        EXPECT_NEAR(double(msgs[i].t_ms - msgs[i - 1].t_ms), 11000, 1100);
}

} // namespace
