// The splice message for the remote management service: one JSON line per splice, queued for the
// 4G/GPS module.
#pragma once

#include <cstddef>
#include <string>

#include "splice/spliceinfo.h"

// Builds the message of `info` (keys in the service's order, printed without formatting) with
// the running number `serialNum`; empty when it cannot be built.
std::string initJsonStringOfSplicePara(const SPLICE_INFORMATION* info, unsigned serialNum);
// Builds the message of the current splice with the next running number and queues it: 0 once
// it is stored, -1 otherwise.
int QueueSpliceMessage();
