// The resend queue of splice messages: a ring of 100 files "resend_NN.json" in
// "/mnt/usr/resend100" whose front, rear and count live in "cycleQueueIndex.json".
//
// How it survives a power cut: every file is replaced whole (temporary file, fsync, rename). A
// message is written into its slot before the index takes it in, and the index lets go of the
// front before its file is removed; a cut in between leaves only a file outside the queue.
#pragma once

#include <string>
#include <string_view>

#include "platform/sync.h"

constexpr int RESEND_SLOTS = 100;
constexpr const char* RESEND_DIR = "/mnt/usr/resend100";
constexpr const char* RESEND_INDEX = "/mnt/usr/resend100/cycleQueueIndex.json";
// Longest message kept in a slot.
constexpr size_t RESEND_MSG_MAX = 2048;

struct ResendQueue {
    PlatMutex queueMtx; // front, rear, curUsed
    PlatMutex fileMtx;  // the message files
    int front = 0, rear = 0, curUsed = 0;
};

// "%s/resend_%02d.json" of slot i.
std::string ResendSlotPath(int i);

// Reads the index text; false unless it is an object with integer "front" and "rear" in 0..99,
// "curUsed" in 0..100 and rear == (front + curUsed) % 100.
bool ParseQueueIndex(std::string_view text, int* front, int* rear, int* curUsed);

// Reads the indices at start. A missing file gives an empty queue; a damaged one is rebuilt from
// the slot files present (the longest run of consecutive slots), so no queued message is lost.
// Returns 0, or 1 when the index was rebuilt.
int ResendLoadIndex(ResendQueue& q);
// Queues a message at the rear; with 100 queued the oldest is dropped first. 0 once durable.
int ResendAppend(ResendQueue& q, std::string_view msg);
// The front message: 0 with its slot and text; 1 when the queue is empty; -1 when the front file
// could not be read (it has been dropped from the queue).
int ResendFront(ResendQueue& q, int* slot, std::string* msg);
// Removes `slot` after its acknowledgement, only while it is still the front. 0 when removed.
int ResendAck(ResendQueue& q, int slot);
int ResendCount(ResendQueue& q);
