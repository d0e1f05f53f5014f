// The module's side of the serial line: bytes accumulated into lines, and each line's prefix and
// JSON payload applied to the location service.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct LocationBaseService;

// Longest line kept; the rest of a longer line is dropped up to its end.
constexpr size_t AT_LINE_MAX = 1024;

// Splits the byte stream at CR or LF. A line cut across reads is joined; empty lines vanish.
class LineAccumulator
{
  public:
    // Appends `data` and returns the lines it completed.
    std::vector<std::string> feed(std::string_view data);
    void reset();

  private:
    std::string part_;
    bool overlong_ = false;
};

// Applies one line from the module. Returns 0 when it was understood, -1 otherwise (logged).
int ParseModuleLine(LocationBaseService* s, std::string_view line);

// Checks a module time before it may set the clock: 2018..2035, a real date, hh:mm.
bool ModuleTimeValid(int year, int month, int day, int hour, int minute);

// A splice message's answer acknowledges it only with "ACK" as a word of its own: "NACK" or
// "UNACKED" are refusals, so a refused message is sent again instead of being dropped.
bool SpliceAnswerIsAck(std::string_view payload);

// Re-serialises a bind request with its "bind" item set to `bind`: only string and number items
// are carried over. Empty when the request is not a JSON object with a "bind" item.
std::string BuildBindResponse(std::string_view request, const char* bind);
