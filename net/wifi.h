// WiFi connection and server reporting threads.
#pragma once

void* thread_routine_auto_connect_network(void* arg);
void* thread_routine_send_heartbeat_to_server(void* arg);
void* thread_routine_transmit_data_wifi(void* arg);
