// The simulated 4G/GPS module (see module4g.h).
#include "sim/module4g.h"

#include <cJSON.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "sim/backend.h"
#include "sim/scheduler.h"

namespace sim
{

namespace
{
std::string json(cJSON* o)
{
    char* p = cJSON_PrintUnformatted(o);
    std::string r = p ? p : "";
    cJSON_free(p);
    cJSON_Delete(o);
    return r;
}

bool starts(const std::string& s, const char* p)
{
    return s.rfind(p, 0) == 0;
}
} // namespace

Module4G::Module4G(Module4GConfig cfg, const Module4GState* resume) : cfg_(std::move(cfg)), t0_us_(now_us())
{
    if (!data_root().empty()) log_path_ = data_root() + "/sim/module.log";
    if (resume) {
        t0_us_ = resume->t0_us;
        answers_used_ = resume->answers_used;
        on_ = resume->on;
        gps_on_ = resume->gps_on;
    }
    note(resume ? "unit powered on again" : "module attached");
    const uint64_t now = now_us();
    for (const auto& l : cfg_.lines)
        if (!resume || t0_us_ + l.at_ms * 1000 >= now) queue(l.text, t0_us_ + l.at_ms * 1000);
}

void Module4G::note(const std::string& text)
{
    if (log_path_.empty()) return;
    if (FILE* f = std::fopen(log_path_.c_str(), "a")) {
        std::fprintf(f, "%llu ms -- %s\n", (unsigned long long)(now_us() / 1000), text.c_str());
        std::fclose(f);
    }
}

Module4GState Module4G::state() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return {t0_us_, answers_used_, on_, gps_on_};
}

uint64_t Module4G::now_us() const
{
    return Scheduler::instance().now_us();
}

void Module4G::log(const char* dir, const std::string& line)
{
    if (log_path_.empty()) return;
    if (FILE* f = std::fopen(log_path_.c_str(), "a")) {
        std::fprintf(f, "%llu ms %s %s\n", (unsigned long long)(now_us() / 1000), dir, line.c_str());
        std::fclose(f);
    }
}

void Module4G::queue(const std::string& line, uint64_t due_us)
{
    auto at = std::upper_bound(out_.begin(), out_.end(), due_us,
                               [](uint64_t t, const auto& e) { return t < e.first; });
    out_.insert(at, {due_us, line + "\r\n"});
}

void Module4G::received(std::string_view bytes)
{
    std::lock_guard<std::mutex> lk(mu_);
    for (char c : bytes) {
        if (c != '\r' && c != '\n') {
            if (part_.size() < 4096) part_.push_back(c);
            continue;
        }
        if (part_.empty()) continue;
        std::string line;
        line.swap(part_);
        received_.push_back(line);
        log("RX", line);
        answer(line);
    }
}

void Module4G::answer(const std::string& line)
{
    const uint64_t due = now_us() + uint64_t(cfg_.latency_ms) * 1000;
    auto reply = [&](const std::string& r) { queue(r, due); };
    if (line == "AT+MODULE=ON" || line == "AT+MODULE=OFF") {
        on_ = line == "AT+MODULE=ON";
    } else if (line == "AT+GPSENABLE=ON" || line == "AT+GPSENABLE=OFF") {
        gps_on_ = line == "AT+GPSENABLE=ON";
    } else if (line == "AT+MCU_VERSION?") {
        reply("AT+MCU_VERSION=" + cfg_.mcu_version);
    } else if (line == "AT+IMEI?") {
        reply("AT+IMEI=" + cfg_.imei);
    } else if (line == "AT+SIGNAL?") {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddNumberToObject(o, "SIM", cfg_.sim);
        cJSON_AddNumberToObject(o, "GPS", gps_on_ ? cfg_.gps : 0);
        cJSON_AddNumberToObject(o, "CSQ", on_ ? cfg_.csq : 0);
        cJSON_AddNumberToObject(o, "4G", on_ && cfg_.network && cfg_.sim > 0 ? 1 : 0);
        cJSON_AddNumberToObject(o, "longitude", gps_on_ ? cfg_.longitude : 0.0);
        cJSON_AddNumberToObject(o, "latitude", gps_on_ ? cfg_.latitude : 0.0);
        reply("AT+SIGNAL=" + json(o));
    } else if (line == "AT+GPGSV?") {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddNumberToObject(o, "longitude", gps_on_ ? cfg_.longitude : 0.0);
        cJSON_AddNumberToObject(o, "latitude", gps_on_ ? cfg_.latitude : 0.0);
        cJSON_AddNumberToObject(o, "satellite_num", gps_on_ ? cfg_.satellites : 0);
        const char* snr[4] = {"snr0", "snr1", "snr2", "snr3"};
        for (int i = 0; i < 4; ++i)
            cJSON_AddNumberToObject(o, snr[i], gps_on_ ? cfg_.snr[size_t(i)] : 0);
        reply("AT+GPGSV=" + json(o));
    } else if (line == "AT+TIME?") {
        if (!on_ || !cfg_.network) return; // no network, no time
        int64_t base = cfg_.network_time_s ? *cfg_.network_time_s * 1000000
                                           : Scheduler::instance().wall_us() - int64_t(now_us() - t0_us_);
        time_t t = time_t((base + int64_t(now_us() - t0_us_)) / 1000000);
        struct tm tm {
        };
        gmtime_r(&t, &tm);
        cJSON* o = cJSON_CreateObject();
        cJSON_AddNumberToObject(o, "year", tm.tm_year + 1900);
        cJSON_AddNumberToObject(o, "month", tm.tm_mon + 1);
        cJSON_AddNumberToObject(o, "day", tm.tm_mday);
        cJSON_AddNumberToObject(o, "hour", tm.tm_hour);
        cJSON_AddNumberToObject(o, "minute", tm.tm_min);
        reply("AT+TIME=" + json(o));
    } else if (line == "AT+APNQUERY?") {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddStringToObject(o, "used_apn", cfg_.used_apn.c_str());
        cJSON_AddStringToObject(o, "used_operator", cfg_.used_operator.c_str());
        reply("AT+APNQUERY=" + json(o));
    } else if (starts(line, "AT+APN=")) {
        reply(cfg_.apn_ack ? "AT+APN=ACK" : "AT+APN=NAK");
    } else if (starts(line, "AT+USER_INFO=")) {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddStringToObject(o, "user_id", cfg_.user_id.c_str());
        cJSON_AddStringToObject(o, "user_name", cfg_.user_name.c_str());
        cJSON_AddStringToObject(o, "country", cfg_.country.c_str());
        cJSON_AddStringToObject(o, "company", cfg_.company.c_str());
        reply("AT+USER_INFO=" + json(o));
    } else if (starts(line, "AT+CHANGE_USER=")) {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddStringToObject(o, "response", cfg_.change_user_err ? "NAK" : "ACK");
        cJSON_AddNumberToObject(o, "err_code", cfg_.change_user_err);
        reply("AT+CHANGE_USER=" + json(o));
    } else if (starts(line, "AT+SYSTEM=")) {
        // Only a module on the network reaches the service.
        if (!on_ || !cfg_.network) return;
        std::string a =
            answers_used_ < cfg_.splice_answers.size() ? cfg_.splice_answers[answers_used_] : "ack";
        ++answers_used_;
        if (a == "ack") reply("AT+SYSTEM=ACK");
        if (a == "refuse") reply("AT+SYSTEM=NAK");
        if (a == "garbage") { // line noise, then a refusal spelt with ACK inside it
            reply(std::string("\x01\xfe\x7f}{\0AT+", 9));
            reply("AT+SYSTEM=NACK");
        }
    }
    // Other lines (machine, serial number, system information, bind answers, power state) are
    // taken without an answer.
}

bool Module4G::readable()
{
    std::lock_guard<std::mutex> lk(mu_);
    const uint64_t now = now_us();
    while (!out_.empty() && out_.front().first <= now) {
        std::string l = out_.front().second;
        out_.pop_front();
        log("TX", l.substr(0, l.size() - 2));
        ready_ += l;
    }
    return !ready_.empty();
}

size_t Module4G::read(char* buf, size_t n)
{
    readable();
    std::lock_guard<std::mutex> lk(mu_);
    size_t k = std::min(n, ready_.size());
    std::copy_n(ready_.data(), k, buf);
    ready_.erase(0, k);
    return k;
}

void Module4G::send_now(const std::string& line)
{
    std::lock_guard<std::mutex> lk(mu_);
    queue(line, now_us());
}

std::vector<std::string> Module4G::received_lines() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return received_;
}

bool Module4G::module_on() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return on_;
}

} // namespace sim
