// The PDF writer on libharu. libharu reports errors through a handler; it records them here, and
// a document with any error is not written.
#include "records/epdf.h"

#include <hpdf.h>

#include <string>
#include <vector>

#include "records/recordimage.h"
#include "records/recordstore.h"

struct EPDF {
    HPDF_Doc doc = nullptr;
    HPDF_Page page = nullptr;
    std::string path;
    bool failed = false;
};

namespace
{

void on_error(HPDF_STATUS, HPDF_STATUS, void* user)
{
    static_cast<EPDF*>(user)->failed = true;
}

HPDF_Font font_of(EPDF* pdf, const char*)
{
    return HPDF_GetFont(pdf->doc, "Helvetica", nullptr);
}

std::string printable(const char* text)
{
    std::string s;
    for (const char* p = text; *p && s.size() < 512; ++p)
        s += (*p >= 0x20 && *p < 0x7F) ? *p : '?';
    return s;
}

} // namespace

EPDF* epdf_new(const char* path)
{
    if (!path) return nullptr;
    EPDF* pdf = new EPDF;
    pdf->path = path;
    pdf->doc = HPDF_New(on_error, pdf);
    if (!pdf->doc) {
        delete pdf;
        return nullptr;
    }
    HPDF_SetCompressionMode(pdf->doc, HPDF_COMP_ALL);
    return pdf;
}

int epdf_page(EPDF* pdf, float width, float height)
{
    if (!pdf) return -1;
    pdf->page = HPDF_AddPage(pdf->doc);
    if (!pdf->page) return -1;
    HPDF_Page_SetWidth(pdf->page, width);
    HPDF_Page_SetHeight(pdf->page, height);
    return pdf->failed ? -1 : 0;
}

int epdf_setrgbfill(EPDF* pdf, float r, float g, float b)
{
    if (!pdf || !pdf->page) return -1;
    HPDF_Page_SetRGBFill(pdf->page, r, g, b);
    return pdf->failed ? -1 : 0;
}

int epdf_textshow(EPDF* pdf, const char* font, float size, float x, float y, const char* text)
{
    if (!pdf || !pdf->page || !text) return -1;
    HPDF_Page_BeginText(pdf->page);
    HPDF_Page_SetFontAndSize(pdf->page, font_of(pdf, font), size);
    HPDF_Page_TextOut(pdf->page, x, y, printable(text).c_str()); // libharu escapes the string
    HPDF_Page_EndText(pdf->page);
    return pdf->failed ? -1 : 0;
}

float epdf_textwidth(EPDF* pdf, const char* font, float size, const char* text)
{
    if (!pdf || !pdf->page || !text) return 0;
    HPDF_Page_SetFontAndSize(pdf->page, font_of(pdf, font), size);
    return HPDF_Page_TextWidth(pdf->page, printable(text).c_str());
}

int epdf_imageshow(EPDF* pdf, const char* jpegPath, float x, float y, float width, float height)
{
    if (!pdf || !pdf->page || !jpegPath) return -1;
    std::vector<uint8_t> data;
    if (!RecordReadFile(jpegPath, &data, 4u << 20) || data.empty()) return -1;
    HPDF_Image img = HPDF_LoadJpegImageFromMem(pdf->doc, data.data(), HPDF_UINT(data.size()));
    if (!img) return -1;
    HPDF_Page_DrawImage(pdf->page, img, x, y, width, height);
    return pdf->failed ? -1 : 0;
}

int epdf_close(EPDF* pdf)
{
    if (!pdf) return -1;
    bool ok = !pdf->failed && HPDF_SaveToStream(pdf->doc) == HPDF_OK;
    std::vector<uint8_t> out(ok ? HPDF_GetStreamSize(pdf->doc) : 0);
    if (ok) {
        HPDF_UINT32 size = HPDF_UINT32(out.size());
        HPDF_STATUS r = HPDF_ReadFromStream(pdf->doc, out.data(), &size);
        ok = (r == HPDF_OK || r == HPDF_STREAM_EOF) && size == out.size();
    }
    ok = ok && RecordWriteFileAtomic(pdf->path, out.data(), out.size()) == 0;
    HPDF_Free(pdf->doc);
    delete pdf;
    return ok ? 0 : -1;
}
