// The simulated management server (see mgmt_server.h).
//
// How it keeps time: the unit's transfer waits on a real loopback socket while holding the
// virtual clock; the server lets the virtual time an answer takes pass outside the scheduled
// threads (Scheduler::elapse_outside) before it answers, so latencies and stalls cost virtual
// time, not wall time. A stall passes the unit's time-out and then holds the connection until
// the unit gives up.
#include "sim/mgmt_server.h"

#include <cJSON.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "sim/backend.h"
#include "sim/scheduler.h"

namespace sim
{

namespace
{
// Bodies beyond the largest upload the unit makes are refused.
constexpr size_t kMaxBody = 16u << 20;
} // namespace

namespace
{

std::string percent_decode(const std::string& s, bool* ok)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            *ok = false;
            return s;
        }
        out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
        i += 2;
    }
    return out;
}

bool base64_decode(const std::string& s, std::string& out)
{
    if (s.size() % 4) return false;
    auto val = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    out.clear();
    for (size_t i = 0; i < s.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            char c = s[i + size_t(k)];
            if (c == '=' && i + 4 == s.size() && k >= 2) {
                v[k] = 0;
                ++pad;
            } else if (pad || (v[k] = val(c)) < 0) {
                return false;
            }
        }
        uint32_t w = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
        out += char(w >> 16);
        if (pad < 2) out += char(w >> 8);
        if (pad < 1) out += char(w);
    }
    return true;
}

bool digits(const std::string& s, size_t n = 0)
{
    return !s.empty() && (n == 0 || s.size() == n) &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "%.Nf" of a non-negative value.
bool decimal(const std::string& s, size_t places)
{
    size_t dot = s.find('.');
    return dot != std::string::npos && digits(s.substr(0, dot)) && digits(s.substr(dot + 1), places);
}

struct Layout {
    const char* first;
    const char* type;
    std::vector<const char*> keys; // before Project and MacSerial
};

const std::vector<Layout>& layouts()
{
    static const std::vector<Layout> l = {
        {"HeartBeat", "heartbeat", {"HeartBeat"}},
        {"Project", "serial", {}},
        {"AppVer", "version", {"AppVer"}},
        {"ElecInfo", "electrodes", {"ElecInfo", "CurArcs", "TotArcs"}},
        {"SplcInfo", "statistics", {"SplcInfo", "CurSplcs", "CurAvgLoss"}},
        {"FbrImg", "images", {"FbrImg"}},
        {"SplcPdf", "report", {"SplcPdf"}},
        {"SplcData",
         "record",
         {"SplcData", "SplcTime", "SplcMode", "LossVal", "CoreAngle", "LeftAngle", "RightAngle", "CoreOffset",
          "LossLimit", "CleaveLimit", "Place"}},
        {"Bind", "binding", {"Bind"}},
    };
    return l;
}

std::string json_line(const ServerMessage& m, const std::string& file)
{
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "t_ms", double(m.t_ms));
    cJSON_AddStringToObject(o, "type", m.type.c_str());
    cJSON* f = cJSON_AddObjectToObject(o, "fields");
    for (auto& [k, v] : m.fields)
        cJSON_AddStringToObject(f, k.c_str(), v.c_str());
    cJSON* p = cJSON_AddArrayToObject(o, "problems");
    for (auto& s : m.problems)
        cJSON_AddItemToArray(p, cJSON_CreateString(s.c_str()));
    cJSON_AddStringToObject(o, "answer", m.answer.c_str());
    if (!file.empty()) cJSON_AddStringToObject(o, "file", file.c_str());
    char* text = cJSON_PrintUnformatted(o);
    std::string r = text ? text : "{}";
    cJSON_free(text);
    cJSON_Delete(o);
    return r;
}

} // namespace

ServerMessage check_report_body(const std::string& body, std::vector<std::string>* uploads)
{
    ServerMessage m;
    m.type = "unknown";
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t at = 0; at <= body.size();) {
        size_t e = body.find('&', at);
        std::string f = body.substr(at, e == std::string::npos ? std::string::npos : e - at);
        size_t eq = f.find('=');
        if (eq == std::string::npos) {
            m.problems.push_back("field without '=': " + f.substr(0, 40));
        } else {
            bool ok = true;
            std::string v = percent_decode(f.substr(eq + 1), &ok);
            if (!ok) m.problems.push_back("bad percent escape in " + f.substr(0, eq));
            fields.emplace_back(f.substr(0, eq), v);
        }
        if (e == std::string::npos) break;
        at = e + 1;
    }
    const Layout* lay = nullptr;
    for (const Layout& l : layouts())
        if (!fields.empty() && fields[0].first == l.first) lay = &l;
    if (!lay) {
        m.problems.push_back("unknown message");
        m.fields = fields;
        return m;
    }
    m.type = lay->type;
    std::vector<std::string> want(lay->keys.begin(), lay->keys.end());
    want.push_back("Project");
    want.push_back("MacSerial");
    if (fields.size() != want.size()) m.problems.push_back("wrong number of fields");
    for (size_t i = 0; i < std::min(want.size(), fields.size()); ++i)
        if (fields[i].first != want[i])
            m.problems.push_back("field " + std::to_string(i + 1) + " is not " + want[i]);
    auto get = [&](const char* k) -> std::string {
        for (auto& [n, v] : fields)
            if (n == k) return v;
        return "";
    };
    if (get("Project") != "K7Q2") m.problems.push_back("Project is not K7Q2");
    if (!digits(get("MacSerial"), 11)) m.problems.push_back("MacSerial is not 11 digits");
    const std::string t = lay->type;
    auto need = [&](bool ok, const char* what) {
        if (!ok) m.problems.push_back(what);
    };
    if (t == "heartbeat") need(get("HeartBeat") == "1", "HeartBeat is not 1");
    if (t == "version") need(!get("AppVer").empty(), "AppVer is empty");
    if (t == "electrodes")
        need(get("ElecInfo") == "1" && digits(get("CurArcs")) && digits(get("TotArcs")),
             "bad electrode counts");
    if (t == "statistics")
        need(get("SplcInfo") == "1" && digits(get("CurSplcs")) && decimal(get("CurAvgLoss"), 2),
             "bad splice statistics");
    if (t == "binding")
        need(get("Bind") == "Accept" || get("Bind") == "Refuse", "Bind is not Accept or Refuse");
    if (t == "record") {
        std::string st = get("SplcTime");
        need(st.size() == 16 && digits(st.substr(0, 4)) && st[4] == '-' && digits(st.substr(5, 2)) &&
                 st[7] == '-' && digits(st.substr(8, 2)) && st[10] == ' ' && digits(st.substr(11, 2)) &&
                 st[13] == ':' && digits(st.substr(14, 2)),
             "SplcTime is not YYYY-MM-DD hh:mm");
        need(get("SplcData") == "1", "SplcData is not 1");
        for (const char* k : {"LossVal", "LossLimit"})
            need(decimal(get(k), 2), "a loss is not a number with two decimals");
        for (const char* k : {"CoreAngle", "LeftAngle", "RightAngle", "CoreOffset", "CleaveLimit"})
            need(decimal(get(k), 1), "an angle or offset is not a number with one decimal");
    }
    for (auto& [k, v] : fields) {
        if ((t == "images" || t == "report") && k == lay->first) {
            std::string raw;
            if (!base64_decode(v, raw) || raw.empty()) {
                m.problems.push_back(k + " is not Base64");
                m.fields.emplace_back(k, std::to_string(v.size()) + " characters");
            } else {
                m.fields.emplace_back(k, std::to_string(raw.size()) + " bytes");
                if (uploads) uploads->push_back(raw);
            }
        } else {
            m.fields.emplace_back(k, v);
        }
    }
    return m;
}

ManagementServer::ManagementServer(ServerConfig cfg) : cfg_(std::move(cfg)), bind_(cfg_.bind)
{
    t0_us_ = Scheduler::instance().now_us();
    if (!data_root().empty()) {
        log_path_ = data_root() + "/sim/server.jsonl";
        files_dir_ = data_root() + "/sim/server";
        std::error_code ec;
        std::filesystem::create_directories(files_dir_, ec);
    }
    http_ = std::make_unique<httplib::Server>();
    http_->set_payload_max_length(kMaxBody);
    // The body is read here, not by the library: the library refuses form-encoded bodies beyond
    // 8 KiB, and the unit's uploads of images and reports are form-encoded and larger.
    http_->Post("/receive",
                [this](const httplib::Request&, httplib::Response& res, const httplib::ContentReader& read) {
                    std::string body;
                    const bool whole = read([&body](const char* data, size_t n) {
                        if (body.size() + n > kMaxBody) return false;
                        body.append(data, n);
                        return true;
                    });
                    if (!whole) {
                        res.status = 413;
                        return;
                    }
                    int status = 200;
                    std::string answer = handle(body, &status);
                    res.status = status;
                    res.set_content(answer, "text/plain");
                });
    port_ = http_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        port_ = 0;
        std::fprintf(stderr, "sim: the management server found no loopback port\n");
        return;
    }
    thread_ = std::thread([this] {
        http_->listen_after_bind();
        listen_ended_ = true;
    });
}

ManagementServer::~ManagementServer()
{
    stopping_ = true;
    // The library stops only a server that is listening already: a stop issued before the thread
    // got there would be lost and the join below would wait forever.
    if (thread_.joinable())
        while (!listen_ended_ && !http_->is_running())
            std::this_thread::yield();
    if (http_) http_->stop();
    if (thread_.joinable()) thread_.join();
}

std::string ManagementServer::endpoint() const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/receive";
}

std::vector<ServerMessage> ManagementServer::messages() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return messages_;
}

std::string ManagementServer::next_answer()
{
    return answers_used_ < cfg_.answers.size() ? cfg_.answers[answers_used_++] : "ack";
}

std::string ManagementServer::handle(const std::string& body, int* status)
{
    std::vector<std::string> uploads;
    ServerMessage m = check_report_body(body, &uploads);
    std::string reply, file;
    uint32_t wait_ms = cfg_.latency_ms;
    {
        std::lock_guard<std::mutex> lk(mu_);
        m.t_ms = (Scheduler::instance().now_us() - t0_us_) / 1000;
        bool down = std::any_of(cfg_.down.begin(), cfg_.down.end(), [&](const ServerConfig::Window& w) {
            return m.t_ms >= w.from_ms && m.t_ms < w.to_ms;
        });
        if (down) {
            *status = 503;
            m.answer = "unavailable";
        } else if (!m.problems.empty()) {
            reply = "Result=False";
            m.answer = "refuse";
        } else {
            if (m.type == "binding") bind_ = m.fields[0].second == "Accept" ? "ready" : "ignore";
            m.answer = m.type == "binding" ? "ack" : next_answer();
            std::string bind;
            if (bind_ != "none") {
                std::string b = bind_;
                b[0] = char(std::toupper(static_cast<unsigned char>(b[0])));
                bind = "&Bind=" + b;
            }
            if (m.answer == "refuse") {
                reply = "Result=False" + bind;
            } else if (m.answer == "garbage") {
                reply = std::string("Result=TrueX&\x01\xfe%%%=&&Result", 25);
            } else if (m.answer == "oversized") {
                reply = "Result=True" + bind + "&Pad=" + std::string(1u << 20, 'x');
            } else if (m.answer == "stall") {
                wait_ms = cfg_.stall_ms;
            } else {
                m.answer = "ack";
                reply = "Result=True" + bind;
            }
            for (const std::string& raw : uploads) {
                if (files_dir_.empty()) break;
                char name[48];
                std::snprintf(name, sizeof name, "%s_%04d.%s", m.type == "images" ? "image" : "report",
                              ++uploads_, m.type == "images" ? "bmp" : "pdf");
                std::ofstream(files_dir_ + "/" + name, std::ios::binary)
                    .write(raw.data(), std::streamsize(raw.size()));
                file = std::string("server/") + name;
            }
        }
        messages_.push_back(m);
        if (!log_path_.empty())
            if (FILE* f = std::fopen(log_path_.c_str(), "a")) {
                std::fprintf(f, "%s\n", json_line(m, file).c_str());
                std::fclose(f);
            }
    }
    // The answer's time passes on the unit's clock; in realtime mode it passes for real.
    bool virtual_time = Scheduler::instance().elapse_outside(uint64_t(wait_ms) * 1000);
    auto until = std::chrono::steady_clock::now() +
                 std::chrono::milliseconds(virtual_time ? (m.answer == "stall" ? 3000 : 0) : wait_ms);
    while (!stopping_ && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return reply;
}

} // namespace sim
