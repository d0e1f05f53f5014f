// Shared inside the device layer: the device table slots, the key device descriptor, little
// helpers for the request words and copies of the parameter tables.
#pragma once

#include <cstdint>

#include "params/param_tables.h"

namespace devint
{

// Opens `path` read-write into slot `index`: -1 when the slot is already open or the open fails.
int open_slot(int index, const char* path);
// Closes a slot: -1 when it was not open.
int close_slot(int index);
int slot_fd(int index);

// Descriptor of the keypad object of "/dev/platkey" (-1 without one).
int key_fd();

// u32 read request: 0 and *value, or -1.
int read_u32(int fd, unsigned long request, uint32_t* value);
// u32 read-write request (value in, value out).
int rw_u32(int fd, unsigned long request, uint32_t* value);
int write_u32(int fd, unsigned long request, uint32_t value);
int no_arg(int fd, unsigned long request);

// Screen orientation of the machine table: 1 rear, 0 front (also when the table is unreadable).
int screen_rear();

} // namespace devint

// Display type of the camera layout, kept by the camera frame module.
int GetTypeInfo();
int SetTypeInfo(int type);
