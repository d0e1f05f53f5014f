// Glyph matrices, fonts, cursors and string objects, and drawing strings glyph by glyph.
#include "gui/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "gui/queue.h"
#include "platform/seam.h"

GUIMATRIX* _pCurrentMatrix = nullptr;
uint8_t MEMORY_ALLOCATION = 0;

namespace
{
GUIQUEUE g_matrices{};
GUIQUEUE g_fonts{};
GUIQUEUE g_cursors{};

void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}

// The eight standard matrices, by [language][19][bold]; refreshed whenever matrices change.
constexpr const char* kStdMatrix[2][2][2] = {
    {{"_ASCII_15_NORMAL", "_ASCII_15_BOLD"}, {"_ASCII_19_NORMAL", "_ASCII_19_BOLD"}},
    {{"_FNT_15_NORMAL", "_FNT_15_BOLD"}, {"_FNT_19_NORMAL", "_FNT_19_BOLD"}}};
GUIMATRIX* g_std[2][2][2] = {};

void refresh_std_matrices()
{
    for (int l = 0; l < 2; ++l)
        for (int s = 0; s < 2; ++s)
            for (int b = 0; b < 2; ++b)
                g_std[l][s][b] = GetMatrixObject(kStdMatrix[l][s][b]);
}

GUIMATRIX* matrix_for(uint16_t code, uint8_t size, uint8_t weight)
{
    return g_std[code >= 256 ? 1 : 0][size == 19 ? 1 : 0][weight == 1 ? 0 : 1];
}

// Reads the whole file into memory; false when it cannot be opened or read.
bool read_file(const char* path, std::string& out)
{
    FILE* fp = plat_fopen(path, "rb");
    if (!fp) return false;
    char buf[8192];
    size_t n;
    out.clear();
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0)
        out.append(buf, n);
    bool ok = !std::ferror(fp);
    std::fclose(fp);
    return ok;
}

// Loads the glyph records of a matrix file. ASCII format: records from offset 0; language format:
// header with the record offsets. Every offset and count is checked against the file size.
int matrix_object_fill(GUIMATRIX* m, bool language, uint32_t limit)
{
    if (!m) {
        std::printf("_MatrixObjectFill ERR0!\n");
        return 1;
    }
    std::string data;
    if (!read_file(m->strPath, data)) {
        std::printf("_MatrixObjectFill Err1!\n");
        return 1;
    }
    const uint64_t size = data.size();
    uint64_t first = 0, count = limit;
    if (language) {
        GUIFNTHEADER h{};
        if (size < sizeof h) {
            std::printf("_MatrixObjectFill Err4!\n");
            return 1;
        }
        std::memcpy(&h, data.data(), sizeof h);
        if (h.lMagic != GUI_FNT_MAGIC || h.lFirst < sizeof h || h.lEnd < h.lFirst || h.lEnd > size) {
            std::printf("_MatrixObjectFill Err4!\n");
            return 1;
        }
        first = h.lFirst;
        count = (uint64_t{h.lEnd} - h.lFirst) / m->wRecSize;
        if (limit && count > limit) count = limit;
    } else if (first + count * m->wRecSize > size) {
        std::printf("_MatrixObjectFill Err4!\n");
        return 1;
    }
    m->pScratch = static_cast<uint8_t*>(GuiMemAlloc(m->wRecSize));
    if (!m->pScratch) {
        std::printf("_MatrixObjectFill Err2!\n");
        return 1;
    }
    const uint64_t bytes = count * m->wRecSize;
    if (bytes > 0x7FFFFFFF) {
        std::printf("_MatrixObjectFill Err3!\n");
        return 1;
    }
    if (bytes) {
        m->pTable = static_cast<uint8_t*>(GuiMemAlloc(static_cast<int32_t>(bytes)));
        if (!m->pTable) {
            std::printf("_MatrixObjectFill Err3!\n");
            return 1;
        }
        std::memcpy(m->pTable, data.data() + first, bytes);
    }
    m->lCount = static_cast<uint32_t>(count);
    return 0;
}

GUIMATRIX* create_matrix(const char* fun, uint8_t w, uint8_t h, uint32_t count, const char* path,
                         const char* name, bool language)
{
    if (guiq::full(g_matrices)) return fail(fun, 0), nullptr;
    auto* m = static_cast<GUIMATRIX*>(GuiMemAlloc(sizeof(GUIMATRIX)));
    if (!m) return fail(fun, 1), nullptr;
    auto undo = [m]() {
        GuiMemFree(m->pTable);
        GuiMemFree(m->pScratch);
        GuiMemFree(m->strPath);
        GuiMemFree(m->strName);
        GuiMemFree(m);
    };
    if (w == 0 || h == 0 || w > 32 || h > 32 || (!language && count == 0))
        return undo(), fail(fun, 2), nullptr;
    m->bWidth = w;
    m->bHeight = h;
    m->wRecSize = static_cast<uint16_t>(h * ((w + 7) / 8) + 4);
    if (!path || !(m->strPath = _usrstrcpy(nullptr, path))) return undo(), fail(fun, 3), nullptr;
    if (!name || !(m->strName = _usrstrcpy(nullptr, name))) return undo(), fail(fun, 4), nullptr;
    if (matrix_object_fill(m, language, count) != 0) return undo(), fail(fun, 5), nullptr;
    if (guiq::append(g_matrices, m) != 0) return undo(), fail(fun, 6), nullptr;
    refresh_std_matrices();
    return m;
}
} // namespace

// ---- Matrices ----------------------------------------------------------------------------------------
int InitializeMatrixQueue()
{
    return guiq::init(g_matrices);
}
int ReleaseMatrixQueue()
{
    int rc =
        guiq::release(g_matrices, [](void* p) { return DeleteMatrixDirect(static_cast<GUIMATRIX*>(p)); });
    refresh_std_matrices();
    return rc;
}

GUIMATRIX* CreateMatrixDirect(uint8_t bWidth, uint8_t bHeight, uint32_t lCount, const char* strPath,
                              const char* strName)
{
    return create_matrix("CreateMatrixDirect", bWidth, bHeight, lCount, strPath, strName, false);
}

GUIMATRIX* CreateMatrixDirectEx(uint8_t bWidth, uint8_t bHeight, uint32_t lCount, const char* strPath,
                                const char* strName)
{
    return create_matrix("CreateMatrixDirect", bWidth, bHeight, lCount, strPath, strName, true);
}

GUIMATRIX* CreateMatrixIndirect(const GUIMATRIX* r)
{
    if (!r) return nullptr;
    return CreateMatrixDirect(r->bWidth, r->bHeight, r->lCount, r->strPath, r->strName);
}

int DeleteMatrixDirect(GUIMATRIX* m)
{
    if (!m || guiq::remove(g_matrices, m) != 0) return 1;
    if (_pCurrentMatrix == m) _pCurrentMatrix = nullptr;
    GuiMemFree(m->pTable);
    GuiMemFree(m->pScratch);
    GuiMemFree(m->strPath);
    GuiMemFree(m->strName);
    GuiMemFree(m);
    refresh_std_matrices();
    return 0;
}

GUIMATRIX* GetMatrixObject(const char* strName)
{
    return guiq::find<GUIMATRIX>(g_matrices, strName, [](GUIMATRIX* p) { return p->strName; });
}
int DeleteMatrixIndirect(const char* strName)
{
    return DeleteMatrixDirect(GetMatrixObject(strName));
}

int _MatrixSetActive(GUIMATRIX* m)
{
    if (!m || !m->pScratch || (!m->pTable && m->lCount)) {
        std::printf("Matrix not init\n");
        return 255;
    }
    _pCurrentMatrix = m;
    return 0;
}

GUIMATRIX* _MatrixGetActive()
{
    return _pCurrentMatrix;
}

uint8_t* _MatrixCharExtract(uint32_t lCode)
{
    GUIMATRIX* m = _pCurrentMatrix;
    if (!m) {
        std::printf("_MatrixCharExtract ERR0!\n");
        return nullptr;
    }
    uint32_t index = lCode >= 256 ? lCode - 256 : lCode;
    if (index >= m->lCount) {
        std::printf("_MatrixCharExtract ERR1!\n");
        return nullptr;
    }
    std::memcpy(m->pScratch, m->pTable + size_t{index} * m->wRecSize, m->wRecSize);
    return m->pScratch;
}

int _MatrixCharWidth()
{
    if (!_pCurrentMatrix) {
        std::printf("_MatrixCharWidth ERR0!\n");
        return -1;
    }
    return _pCurrentMatrix->pScratch[2];
}

// ---- Fonts ----------------------------------------------------------------------------------------------
int InitializeFontQueue()
{
    return guiq::init(g_fonts);
}
int ReleaseFontQueue()
{
    return guiq::release(g_fonts, [](void* p) { return DeleteFontDirect(static_cast<GUIFONT*>(p)); });
}

GUIFONT* CreateFontDirect(uint8_t bMode, uint8_t bWidth, uint8_t bHeight, uint8_t bLeftGap, uint8_t bRightGap,
                          uint8_t bTopGap, uint8_t bBottomGap, uint32_t lFgColor, uint32_t lBgColor,
                          const char* strName)
{
    static const char* fun = "CreateFontDirect";
    if (guiq::full(g_fonts)) return fail(fun, 0), nullptr;
    auto* f = static_cast<GUIFONT*>(GuiMemAlloc(sizeof(GUIFONT)));
    if (!f) return fail(fun, 1), nullptr;
    if (bWidth > 32 || bHeight > 32) {
        GuiMemFree(f);
        return fail(fun, 2), nullptr;
    }
    *f = GUIFONT{bMode,   bWidth,     bHeight,  bLeftGap, bRightGap,
                 bTopGap, bBottomGap, lFgColor, lBgColor, nullptr};
    if (!strName || !(f->strName = _usrstrcpy(nullptr, strName))) {
        GuiMemFree(f);
        return fail(fun, 3), nullptr;
    }
    if (guiq::append(g_fonts, f) != 0) {
        GuiMemFree(f->strName);
        GuiMemFree(f);
        return fail(fun, 4), nullptr;
    }
    return f;
}

GUIFONT* CreateFontIndirect(const GUIFONT* r)
{
    if (!r) return nullptr;
    return CreateFontDirect(r->bMode, r->bWidth, r->bHeight, r->bLeftGap, r->bRightGap, r->bTopGap,
                            r->bBottomGap, r->lFgColor, r->lBgColor, r->strName);
}

int DeleteFontDirect(GUIFONT* f)
{
    if (!f || guiq::remove(g_fonts, f) != 0) return 1;
    GuiMemFree(f->strName);
    GuiMemFree(f);
    return 0;
}

GUIFONT* GetFontObject(const char* strName)
{
    return guiq::find<GUIFONT>(g_fonts, strName, [](GUIFONT* p) { return p->strName; });
}
int DeleteFontIndirect(const char* strName)
{
    return DeleteFontDirect(GetFontObject(strName));
}

// ---- Cursors ------------------------------------------------------------------------------------------
int InitializeCursorQueue()
{
    return guiq::init(g_cursors);
}
int ReleaseCursorQueue()
{
    return guiq::release(g_cursors, [](void* p) { return DeleteCursorDirect(static_cast<GUICURSOR*>(p)); });
}

GUICURSOR* CreateCursorDirect(uint8_t bCaret, uint8_t bDirection, uint8_t bCaretWidth, uint8_t bCaretHeight,
                              uint16_t wX, uint16_t wY, uint16_t wLeft, uint16_t wRight, uint16_t wTop,
                              uint16_t wBottom, uint32_t lCaretColor, uint32_t lEraseColor,
                              const char* strName)
{
    static const char* fun = "CreateCursorDirect";
    if (guiq::full(g_cursors)) return fail(fun, 0), nullptr;
    auto* c = static_cast<GUICURSOR*>(GuiMemAlloc(sizeof(GUICURSOR)));
    if (!c) return fail(fun, 1), nullptr;
    *c = GUICURSOR{bCaret, bDirection, bCaretWidth, bCaretHeight, wX,          wY,     wLeft,
                   wRight, wTop,       wBottom,     lCaretColor,  lEraseColor, nullptr};
    if (!strName || !(c->strName = _usrstrcpy(nullptr, strName))) {
        GuiMemFree(c);
        return fail(fun, 2), nullptr;
    }
    if (guiq::append(g_cursors, c) != 0) {
        GuiMemFree(c->strName);
        GuiMemFree(c);
        return fail(fun, 3), nullptr;
    }
    return c;
}

GUICURSOR* CreateCursorIndirect(const GUICURSOR* r)
{
    if (!r) return nullptr;
    return CreateCursorDirect(r->bCaret, r->bDirection, r->bCaretWidth, r->bCaretHeight, r->wX, r->wY,
                              r->wLeft, r->wRight, r->wTop, r->wBottom, r->lCaretColor, r->lEraseColor,
                              r->strName);
}

int DeleteCursorDirect(GUICURSOR* c)
{
    if (!c || guiq::remove(g_cursors, c) != 0) return 1;
    GuiMemFree(c->strName);
    GuiMemFree(c);
    return 0;
}

GUICURSOR* GetCursorObject(const char* strName)
{
    return guiq::find<GUICURSOR>(g_cursors, strName, [](GUICURSOR* p) { return p->strName; });
}
int DeleteCursorIndirect(const char* strName)
{
    return DeleteCursorDirect(GetCursorObject(strName));
}

namespace
{
int caret_block(GUICURSOR* c, GUIFRAME* f, uint32_t colour)
{
    if (!c || !f || !c->bCaret || !c->bCaretWidth || !c->bCaretHeight) return 1;
    int top = c->wY - c->bCaretHeight + 1;
    if (top < 0) top = 0;
    GUIBRUSH b{1, 1, colour, colour, nullptr};
    return DrawBlockDirect(MakePoint(c->wX, static_cast<uint32_t>(top)),
                           MakePoint(c->wX + c->bCaretWidth - 1u, c->wY), &b, f)
               ? 0
               : 1;
}
} // namespace

int _CursorDirectPut(GUICURSOR* c, GUIFRAME* f)
{
    return caret_block(c, f, c ? c->lCaretColor : 0);
}
int _CursorDirectErase(GUICURSOR* c, GUIFRAME* f)
{
    return caret_block(c, f, c ? c->lEraseColor : 0);
}

int _CursorLocationAdjust(GUICURSOR* c, const GUIFONT* font)
{
    if (!c || !font || !_pCurrentMatrix) return 1;
    if (c->wY < c->wTop || c->wY > c->wBottom) return 1;
    const int w = _MatrixCharWidth();
    if (w < 0) return 1;
    const int lh = font->bTopGap + font->bHeight + font->bBottomGap;
    const int x = c->wX, y = c->wY, cw = c->bCaret ? c->bCaretWidth : 0;
    const bool last_line = y + lh > c->wBottom;
    if (c->bDirection == 0) {
        if (c->bCaret && last_line && x + cw + font->bLeftGap + w - 1 > c->wRight) return 1;
        if (x + font->bLeftGap + w - 1 > c->wRight) {
            if (last_line) return 1;
            c->wX = c->wLeft;
            c->wY = static_cast<uint16_t>(y + lh);
        }
        return 0;
    }
    if (c->bDirection == 1) {
        if (c->bCaret && last_line && x - font->bRightGap - w < c->wLeft) return 1;
        if (x + cw - font->bRightGap - w < c->wLeft) {
            if (last_line) return 1;
            c->wX = static_cast<uint16_t>(std::max(0, c->wRight - cw + 1));
            c->wY = static_cast<uint16_t>(y + lh);
        }
        return 0;
    }
    return 1;
}

int _CursorLocationInc(GUICURSOR* c, const GUIFONT* font)
{
    if (!c || !font || !_pCurrentMatrix) return 1;
    const int w = _MatrixCharWidth();
    if (w < 0) return 1;
    const int lh = font->bTopGap + font->bHeight + font->bBottomGap;
    const int cw = c->bCaret ? c->bCaretWidth : 0;
    const int step = w + font->bLeftGap + font->bRightGap;
    if (c->bDirection == 0) {
        const int x = c->wX + step;
        if ((c->bCaret ? x + cw - 1 : x) <= c->wRight) {
            c->wX = static_cast<uint16_t>(x);
            return 0;
        }
        c->wX = c->wLeft;
        const int y = c->wY + lh;
        if (y > c->wBottom) {
            c->wX = c->wRight;
            c->wY = c->wBottom;
            return 1;
        }
        c->wY = static_cast<uint16_t>(y);
        return 0;
    }
    const int x = c->wX - step;
    if ((c->bCaret ? x : x + c->bCaretWidth - 1) >= c->wLeft) {
        c->wX = static_cast<uint16_t>(std::max(0, x));
        return 0;
    }
    c->wX = static_cast<uint16_t>(std::max(0, c->wRight - c->bCaretWidth + 1));
    const int y = c->wY + lh;
    if (y > c->wBottom) {
        c->wX = c->wLeft;
        c->wY = c->wBottom;
        return 1;
    }
    c->wY = static_cast<uint16_t>(y);
    return 0;
}

// ---- Strings -------------------------------------------------------------------------------------------
namespace
{
size_t code_length(const uint16_t* p)
{
    size_t n = 0;
    if (p)
        while (p[n] && n < 0xFFFF)
            ++n;
    return n;
}

// Fills codes, widths and total width; 0, or the failure point (1 arrays, 2 glyph).
int string_object_fill(GUISTRING* s, const uint16_t* codes, size_t n)
{
    if (n == 0) return 0;
    s->pText = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>((n + 1) * sizeof(uint16_t))));
    if (!s->pText) return 1;
    std::memcpy(s->pText, codes, n * sizeof(uint16_t));
    s->pText[n] = 0;
    MEMORY_ALLOCATION = 1;
    s->pWidth = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>(n * sizeof(uint16_t))));
    if (!s->pWidth) {
        MEMORY_ALLOCATION = 0;
        return 1;
    }
    s->wLength = static_cast<uint16_t>(n);
    uint32_t total = 0;
    for (size_t i = n; i-- > 0;) {
        GUIMATRIX* m = matrix_for(s->pText[i], s->bSize, s->bWeight);
        if (!m || _MatrixSetActive(m) != 0 || !_MatrixCharExtract(s->pText[i])) {
            std::printf("_StringObjectFill ERR1!\n");
            MEMORY_ALLOCATION = 0;
            return 2;
        }
        int w = _MatrixCharWidth();
        if (w < 0) {
            std::printf("_StringObjectFill ERR2!\n");
            MEMORY_ALLOCATION = 0;
            return 2;
        }
        s->pWidth[i] = static_cast<uint16_t>(w);
        total += static_cast<uint32_t>(w);
    }
    s->wWidth = static_cast<uint16_t>(std::min<uint32_t>(total, 0xFFFF));
    MEMORY_ALLOCATION = 0;
    return 0;
}

void string_free_arrays(GUISTRING* s)
{
    GuiMemFree(s->pText);
    GuiMemFree(s->pWidth);
    s->pText = nullptr;
    s->pWidth = nullptr;
    s->wLength = 0;
    s->wWidth = 0;
}

GUISTRING* build_string(const char* fun, const uint16_t* codes, size_t n, uint8_t size, uint8_t weight)
{
    auto* s = static_cast<GUISTRING*>(GuiMemAlloc(sizeof(GUISTRING)));
    if (!s) return fail(fun, 0), nullptr;
    s->bSize = size;
    s->bWeight = weight;
    int rc = string_object_fill(s, codes, n);
    if (rc != 0) {
        string_free_arrays(s);
        GuiMemFree(s);
        return fail(fun, rc), nullptr;
    }
    return s;
}
} // namespace

GUISTRING* CreateStringDirect(const uint16_t* pCodes, uint8_t bSize, uint8_t bWeight)
{
    return build_string("CreateStringDirect", pCodes, code_length(pCodes), bSize, bWeight);
}

GUISTRING* CreateStringIndirect(const uint16_t* pCodes)
{
    return CreateStringDirect(pCodes, 15, 1);
}

int DeleteStringDirect(GUISTRING* s)
{
    if (!s) return 0;
    string_free_arrays(s);
    GuiMemFree(s);
    return 0;
}

GUISTRING* StrAsciiTrans(const char* strText, uint8_t bSize, uint8_t bWeight)
{
    size_t n = strText ? std::min<size_t>(std::strlen(strText), 0xFFFF) : 0;
    uint16_t local[256];
    uint16_t* codes = local;
    if (n >= 256) {
        codes = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>((n + 1) * sizeof(uint16_t))));
        if (!codes) return fail("StrAsciiTrans", 0), nullptr;
    }
    for (size_t i = 0; i < n; ++i)
        codes[i] = static_cast<unsigned char>(strText[i]);
    codes[n] = 0;
    GUISTRING* s = build_string("StrAsciiTrans", codes, n, bSize, bWeight);
    if (codes != local) GuiMemFree(codes);
    return s;
}

int StrObjCmp(const GUISTRING* a, const GUISTRING* b)
{
    const bool ea = !a || a->wLength == 0, eb = !b || b->wLength == 0;
    if (ea && eb) return 0;
    if (ea) return 255;
    if (eb) return 1;
    for (size_t i = 0;; ++i) {
        uint16_t ca = i < a->wLength ? a->pText[i] : 0, cb = i < b->wLength ? b->pText[i] : 0;
        if (ca != cb) return static_cast<int>(ca) - static_cast<int>(cb);
        if (ca == 0) return 0;
    }
}

GUISTRING* StrObjCpy(GUISTRING* pDes, const GUISTRING* pSrc)
{
    if (!pDes || !pSrc) return nullptr;
    if (pDes == pSrc) return pDes;
    string_free_arrays(pDes);
    pDes->bSize = pSrc->bSize;
    pDes->bWeight = pSrc->bWeight;
    if (pSrc->wLength == 0) return pDes;
    const size_t n = pSrc->wLength;
    pDes->pText = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>((n + 1) * sizeof(uint16_t))));
    pDes->pWidth = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>(n * sizeof(uint16_t))));
    if (!pDes->pText || !pDes->pWidth) {
        string_free_arrays(pDes);
        return nullptr;
    }
    std::memcpy(pDes->pText, pSrc->pText, (n + 1) * sizeof(uint16_t));
    std::memcpy(pDes->pWidth, pSrc->pWidth, n * sizeof(uint16_t));
    pDes->wLength = pSrc->wLength;
    pDes->wWidth = pSrc->wWidth;
    return pDes;
}

GUISTRING* StrObjCat(GUISTRING* pDes, const GUISTRING* pSrc)
{
    if (!pDes) return nullptr;
    if (!pSrc || pSrc->wLength == 0) return pDes;
    const size_t n = size_t{pDes->wLength} + pSrc->wLength;
    if (n > 0xFFFF) return nullptr;
    auto* text = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>((n + 1) * sizeof(uint16_t))));
    auto* widths = static_cast<uint16_t*>(GuiMemAlloc(static_cast<int32_t>(n * sizeof(uint16_t))));
    if (!text || !widths) {
        GuiMemFree(text);
        GuiMemFree(widths);
        return nullptr;
    }
    if (pDes->wLength) {
        std::memcpy(text, pDes->pText, pDes->wLength * sizeof(uint16_t));
        std::memcpy(widths, pDes->pWidth, pDes->wLength * sizeof(uint16_t));
    }
    std::memcpy(text + pDes->wLength, pSrc->pText, pSrc->wLength * sizeof(uint16_t));
    std::memcpy(widths + pDes->wLength, pSrc->pWidth, pSrc->wLength * sizeof(uint16_t));
    text[n] = 0;
    const uint32_t total = uint32_t{pDes->wWidth} + pSrc->wWidth;
    GuiMemFree(pDes->pText);
    GuiMemFree(pDes->pWidth);
    pDes->pText = text;
    pDes->pWidth = widths;
    pDes->wLength = static_cast<uint16_t>(n);
    pDes->wWidth = static_cast<uint16_t>(std::min<uint32_t>(total, 0xFFFF));
    return pDes;
}

namespace
{
void write_pixel(GUIFRAME* f, int x, int y, uint32_t c)
{
    const size_t i = size_t{f->wBufWidth} * y + x;
    switch (f->bDepth) {
    case 8:
        f->pBuffer[i] = static_cast<uint8_t>(c);
        break;
    case 16:
        reinterpret_cast<uint16_t*>(f->pBuffer)[i] = static_cast<uint16_t>(c);
        break;
    case 24:
        f->pBuffer[i * 3] = static_cast<uint8_t>(c);
        f->pBuffer[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
        f->pBuffer[i * 3 + 2] = static_cast<uint8_t>(c >> 16);
        break;
    default:
        reinterpret_cast<uint32_t*>(f->pBuffer)[i] = c;
        break;
    }
}

// One glyph at the cursor; false when nothing could be drawn (the string stops there).
bool string_character(uint16_t code, uint8_t size, uint8_t weight, GUICURSOR* c, const GUIFONT* font,
                      GUIFRAME* f)
{
    if (font->bMode == 0) return false;
    GUIMATRIX* m = matrix_for(code, size, weight);
    if (!m || _MatrixSetActive(m) != 0) return false;
    const uint8_t* rec = _MatrixCharExtract(code);
    if (!rec) return false;
    _CursorDirectErase(c, f);
    if (_CursorLocationAdjust(c, font) != 0) {
        _CursorDirectPut(c, f);
        return false;
    }
    const int cw = m->bWidth, ch = m->bHeight, adv = rec[2];
    int x0 = c->bDirection == 0 ? c->wX + font->bLeftGap : c->wX + c->bCaretWidth - font->bRightGap - cw;
    int y0 = c->wY - ch + 1;
    uint32_t p = MakePoint(static_cast<uint32_t>(std::max(0, x0)), static_cast<uint32_t>(std::max(0, y0)));
    if (x0 < 0 || y0 < 0 || _FrameCoordinateTrans(&p, f) != 0) return false;
    x0 = PointX(p);
    y0 = PointY(p);
    const int bpr = (cw + 7) / 8;
    const int cols = std::min(cw, adv);
    for (int r = 0; r < ch; ++r) {
        const int y = y0 + r;
        if (y >= f->wBufHeight) break;
        const uint8_t* row = rec + 4 + r * bpr;
        for (int col = 0; col < cols; ++col) {
            const int x = x0 + col;
            if (x >= f->wBufWidth) break;
            if (row[col / 8] & (0x80 >> (col % 8)))
                write_pixel(f, x, y, font->lFgColor);
            else if (font->bMode == 2)
                write_pixel(f, x, y, font->lBgColor);
        }
    }
    if (_CursorLocationInc(c, font) == 0) _CursorDirectPut(c, f);
    return true;
}
} // namespace

GUIFRAME* _StringDirectPut(const GUISTRING* s, GUICURSOR* c, const GUIFONT* font, GUIFRAME* f)
{
    if (!s || !c || !font || !f || !f->pBuffer) return nullptr;
    if (f->bDepth != 8 && f->bDepth != 16 && f->bDepth != 24 && f->bDepth != 32) return nullptr;
    for (uint16_t i = 0; i < s->wLength; ++i)
        if (!string_character(s->pText[i], s->bSize, s->bWeight, c, font, f)) break;
    return f;
}
