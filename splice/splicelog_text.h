// The text of the splice log: lines "\tTYPE name = value;   //comment" ended by CR LF, headings
// and comments written in GBK (the sources hold them in UTF-8), values as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class SpliceLogText
{
  public:
    // A heading line (UTF-8 in, GBK out).
    void heading(std::string_view utf8);
    // One field line. The comment gives the field's meaning, range and unit (UTF-8 in, GBK out).
    void field(std::string_view type, std::string_view name, std::string_view value,
               std::string_view comment);
    void field(std::string_view type, std::string_view name, int32_t v, std::string_view comment);
    void field(std::string_view type, std::string_view name, uint32_t v, std::string_view comment);
    void field(std::string_view type, std::string_view name, uint16_t v, std::string_view comment);
    void field(std::string_view type, std::string_view name, uint8_t v, std::string_view comment);
    void field(std::string_view type, std::string_view name, float v, std::string_view comment);
    // A character field of at most `size` bytes, not necessarily zero-terminated: quoted, control
    // characters shown as '?' so that a line stays one line.
    void text_field(std::string_view name, const char* chars, size_t size, std::string_view comment);
    void blank();

    const std::string& bytes() const { return out_; }
    // Writes everything to fd: 0, or -1 when a write failed or fell short.
    int write_to(int fd) const;

  private:
    void gbk(std::string_view utf8);
    std::string out_;
};

// UTF-8 to GBK through iconv; characters it cannot convert become '?'.
std::string Utf8ToGbk(std::string_view utf8);
