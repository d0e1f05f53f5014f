// The connectivity screens' table of network functions (see netops.h).
#include "forms/netops.h"

namespace
{
constexpr NETOPS kNetwork = {get_network_info,    connect_to_network,     get_current_network,
                             save_network_config, check_if_network_saved, delete_network_item,
                             GetServerBindState,  GetServerBindRequest,   SetServerBindAnswer};
NETOPS g_ops = kNetwork;
} // namespace

NETOPS& NetOps()
{
    return g_ops;
}

void ResetNetOps()
{
    g_ops = kNetwork;
}
