// Lines of the splice log (see splicelog_text.h).
#include "splice/splicelog_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "platform/seam.h"

namespace
{
// The value and its declaration are padded to this column before the comment.
constexpr size_t kCommentColumn = 56;
} // namespace

std::string Utf8ToGbk(std::string_view utf8)
{
    std::string out;
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == iconv_t(-1)) {
        // Without a converter the ASCII part still reads.
        for (char c : utf8)
            out += (static_cast<unsigned char>(c) < 0x80) ? c : '?';
        return out;
    }
    std::string in(utf8);
    char* ip = in.data();
    size_t il = in.size();
    char buf[256];
    while (il > 0) {
        char* op = buf;
        size_t ol = sizeof buf;
        size_t r = iconv(cd, &ip, &il, &op, &ol);
        out.append(buf, size_t(op - buf));
        if (r == size_t(-1) && errno != E2BIG) {
            // An invalid or unconvertible sequence: skip one byte and mark it.
            out += '?';
            ++ip;
            --il;
        }
    }
    iconv_close(cd);
    return out;
}

void SpliceLogText::gbk(std::string_view utf8)
{
    out_ += Utf8ToGbk(utf8);
}

void SpliceLogText::heading(std::string_view utf8)
{
    gbk(utf8);
    out_ += "\r\n";
}

void SpliceLogText::blank()
{
    out_ += "\r\n";
}

void SpliceLogText::field(std::string_view type, std::string_view name, std::string_view value,
                          std::string_view comment)
{
    std::string decl = "\t";
    decl.append(type).append(" ").append(name).append(" = ").append(value).append(";");
    out_ += decl;
    out_.append(decl.size() < kCommentColumn ? kCommentColumn - decl.size() : 3, ' ');
    out_ += "//";
    gbk(comment);
    out_ += "\r\n";
}

void SpliceLogText::field(std::string_view type, std::string_view name, int32_t v, std::string_view comment)
{
    char s[16];
    std::snprintf(s, sizeof s, "%d", v);
    field(type, name, std::string_view(s), comment);
}

void SpliceLogText::field(std::string_view type, std::string_view name, uint32_t v, std::string_view comment)
{
    char s[16];
    std::snprintf(s, sizeof s, "%u", v);
    field(type, name, std::string_view(s), comment);
}

void SpliceLogText::field(std::string_view type, std::string_view name, uint16_t v, std::string_view comment)
{
    field(type, name, uint32_t(v), comment);
}

void SpliceLogText::field(std::string_view type, std::string_view name, uint8_t v, std::string_view comment)
{
    field(type, name, uint32_t(v), comment);
}

void SpliceLogText::field(std::string_view type, std::string_view name, float v, std::string_view comment)
{
    char s[64];
    std::snprintf(s, sizeof s, "%f", double(v));
    field(type, name, std::string_view(s), comment);
}

void SpliceLogText::text_field(std::string_view name, const char* chars, size_t size,
                               std::string_view comment)
{
    std::string v = "\"";
    for (size_t i = 0; i < size && chars[i] != '\0'; ++i) {
        auto c = static_cast<unsigned char>(chars[i]);
        v += (c < 0x20 || c == 0x7F || c == '"') ? '?' : char(c);
    }
    v += "\"";
    std::string decl(name);
    decl += "[" + std::to_string(size) + "]";
    field("char", decl, std::string_view(v), comment);
}

int SpliceLogText::write_to(int fd) const
{
    size_t done = 0;
    while (done < out_.size()) {
        ssize_t n = plat_write(fd, out_.data() + done, out_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::printf("write fdSpliceInfoFile ERR \r");
            return -1;
        }
        done += size_t(n);
    }
    return 0;
}
