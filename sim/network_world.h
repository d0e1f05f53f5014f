// The network around the simulated unit, as a scenario sets it (instrument.network): the WiFi
// world and the management server. The server's endpoint is written to the unit's
// "/mnt/usr/wifi/server" before it boots, as a configured unit would hold it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sim/mgmt_server.h"
#include "sim/wifi_world.h"

typedef struct cJSON cJSON;

namespace sim
{

struct NetworkConfig {
    std::optional<WifiConfig> wifi;
    std::optional<ServerConfig> server;
};

class NetworkWorld
{
  public:
    explicit NetworkWorld(const NetworkConfig& cfg);
    WifiWorld* wifi() { return wifi_.get(); }
    ManagementServer* server() { return server_.get(); }

  private:
    std::unique_ptr<WifiWorld> wifi_;
    std::unique_ptr<ManagementServer> server_;
};

// Writes the endpoint file of the unit's flash (host side, before the unit runs).
bool write_server_endpoint(const std::string& url);

// Reads instrument.network of a scenario; false with err set when it is malformed.
bool parse_network_config(const cJSON* j, const std::string& where, NetworkConfig& out, std::string& err);

// The scenario run's network, kept until the process ends or detach_network.
void attach_network(const NetworkConfig& cfg);
void detach_network();

} // namespace sim
