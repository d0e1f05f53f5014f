// A unit with a machine serial, user counters and a record store, beside the simulated network
// (WiFi world and management server) of the test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "net/report.h"
#include "net/wifi.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "records/record.h"
#include "sim/network_world.h"
#include "sim/scheduler.h"
#include "sim/testbed.h"

struct ReportUnit : ::testing::Test {
    sim::Testbed tb;
    uint8_t machinePage[E2PROM_PAGE_SIZE] = {};
    uint8_t userPage[E2PROM_PAGE_SIZE] = {};
    std::unique_ptr<sim::NetworkWorld> net;
    std::string out; // the unit's printed lines

    void SetUp() override
    {
        auto* m = reinterpret_cast<MachineParameter*>(machinePage);
        m->wMachSerNumHigh = 0x123;
        m->dwMachSerNum = 0x45678901;
        auto* u = reinterpret_cast<TABLEUSERINFO*>(userPage);
        u->dwCurArcCount = 17;
        u->dwTotalArcCount = 4242;
        u->dwSpliceCount = 3;
        OnlineModule[ONLINE_MACHINE] = machinePage;
        OnlineModule[ONLINE_USERINFO] = userPage;
        plat_mkdir("/mnt/usr", 0755);
        ASSERT_EQ(InitializeRecord(), 0);
        NetInfo[0] = 0;
        NetInfo[1] = 0;
    }
    void TearDown() override
    {
        net.reset();
        ReleaseRecord();
        OnlineModule[ONLINE_MACHINE] = nullptr;
        OnlineModule[ONLINE_USERINFO] = nullptr;
        NetInfo[0] = 0;
        NetInfo[1] = 0;
    }
    void network(const sim::NetworkConfig& cfg) { net = std::make_unique<sim::NetworkWorld>(cfg); }
    sim::ManagementServer& server() { return *net->server(); }
    // Runs fn with the unit's printed lines kept in `out`.
    template <class F> auto quiet(F fn)
    {
        testing::internal::CaptureStdout();
        struct Keep {
            std::string& out;
            ~Keep() { out += testing::internal::GetCapturedStdout(); }
        } keep{out};
        return fn();
    }
    static uint64_t now_ms() { return plat_monotonic_ms(); }
    // A stored splice of today's date.
    static APPRECORD splice(uint8_t loss, const char* mode = "SM-SM", const char* place = "Lab 3")
    {
        APPRECORD r{};
        r.bLossValue = loss;
        r.bCoreAngle = 3;
        r.bLeftAngle = 5;
        r.bRightAngle = 12;
        r.bCoreOff = 2;
        r.bLossLimit = 10;
        r.bCleaveLimit = 30;
        std::memcpy(r.ModeName, mode, std::min(std::strlen(mode), sizeof r.ModeName - 1));
        std::memcpy(r.bSplicePlace, place, std::min(std::strlen(place), sizeof r.bSplicePlace));
        struct tm t {
        };
        plat_localtime(plat_time(), &t);
        r.dwSpliceTime = PackRecordTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
        return r;
    }
    static std::string slurp(const std::string& hostPath)
    {
        std::ifstream f(hostPath, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
};
