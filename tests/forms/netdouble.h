// A small double of the WiFi network and the binding server for the connectivity screens: the
// networks a scan finds, the passwords they accept, the saved networks, and the binding state.
#pragma once

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "forms/netops.h"

namespace formtest
{

struct FakeNetwork {
    std::string name;
    int level;
    std::string password; // empty: open
};

struct NetDouble {
    std::vector<FakeNetwork> air;
    std::map<std::string, std::string> saved;
    std::vector<std::pair<std::string, std::string>> attempts; // name, password
    std::string current;
    int bindState = -1, bindRequest = 0, bindAnswer = 0;

    static NetDouble*& self()
    {
        static NetDouble* p = nullptr;
        return p;
    }
    NetDouble()
    {
        self() = this;
        NETOPS& o = NetOps();
        o.scan = [](NETWORK_ITEM* items, int max) {
            int n = 0;
            for (const FakeNetwork& f : self()->air) {
                if (n >= max) break;
                NETWORK_ITEM& it = items[n++];
                it = NETWORK_ITEM{};
                std::snprintf(it.szName, sizeof it.szName, "%s", f.name.c_str());
                it.iLevel = f.level;
                it.iNeedPassword = !f.password.empty();
            }
            return n;
        };
        o.connect = [](const NETWORK_ITEM* it, const char* pw) {
            self()->attempts.emplace_back(it->szName, pw);
            for (const FakeNetwork& f : self()->air)
                if (f.name == it->szName && (f.password.empty() || f.password == pw)) {
                    self()->current = f.name;
                    return 0;
                }
            return -1;
        };
        o.current = [](NETWORK_ITEM* it) {
            for (const FakeNetwork& f : self()->air)
                if (f.name == self()->current) {
                    *it = NETWORK_ITEM{};
                    std::snprintf(it->szName, sizeof it->szName, "%s", f.name.c_str());
                    it->iLevel = f.level;
                    return 0;
                }
            return -1;
        };
        o.save = [](const NETWORK_ITEM* it, const char* pw) {
            self()->saved[it->szName] = pw;
            return 0;
        };
        o.saved = [](const char* name, char* pw, size_t size) {
            auto s = self()->saved.find(name);
            if (s == self()->saved.end()) return 0;
            if (pw && size) std::snprintf(pw, size, "%s", s->second.c_str());
            return 1;
        };
        o.forget = [](const char* name) { return self()->saved.erase(name) ? 0 : -1; };
        o.bindState = [] { return self()->bindState; };
        o.bindRequest = [] { return self()->bindRequest; };
        o.bindAnswer = [](int a) {
            self()->bindAnswer = a;
            self()->bindRequest = 0;
        };
    }
    ~NetDouble()
    {
        ResetNetOps();
        self() = nullptr;
    }
};

} // namespace formtest
