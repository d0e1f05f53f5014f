// The report of a record: one page of values, and a second with the two camera images when they
// were saved. Named by slot + 1 like the images, so it stays with its record after a wrap or an
// erase.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/seam.h"
#include "records/epdf.h"
#include "records/recordimage.h"
#include "records/recordstore.h"

namespace
{

std::string bounded(const char* s, size_t max)
{
    return std::string(s, strnlen(s, max));
}

std::string format(const char* f, double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::vector<std::pair<std::string, std::string>> rows_of(const APPRECORD& r)
{
    int y, mo, d, h, mi;
    UnpackRecordTime(r.dwSpliceTime, &y, &mo, &d, &h, &mi);
    char when[40];
    std::snprintf(when, sizeof when, "%d-%02d-%02d %02d:%02d", y, mo, d, h, mi);
    return {
        {"1. Splice Time", when},
        {"2. Splice Mode", bounded(r.ModeName, 7)},
        {"3. Loss Estimate", r.bLossValue == RECORD_NO_LOSS ? "X.XX" : format("%.2f", r.bLossValue * 0.01)},
        {"4. Core Angle", format("%.1f", r.bCoreAngle * 0.1)},
        {"5. Left Cleave Angle", format("%.1f", r.bLeftAngle * 0.1)},
        {"6. Right Cleave Angle", format("%.1f", r.bRightAngle * 0.1)},
        {"7. Clad Axis Offset", format("%.1f", r.bCladOff * 0.1)},
        {"8. Offset", format("%.1f", r.bCoreOff * 0.1)},
        {"9. Loss Limit", format("%.2f", r.bLossLimit * 0.01)},
        {"10. Cleave Angle Limit", format("%.1f", r.bCleaveLimit * 0.1)},
        {"11. Splice Place", bounded(r.bSplicePlace, sizeof r.bSplicePlace)},
    };
}

// The second page: the X image above the Y image, each with its caption centred below it.
void image_page(EPDF* pdf, int slot)
{
    struct View {
        const char* name;
        const char* caption;
        float y, captionY;
    } views[] = {{"X", "Xcam_image", 350, 320}, {"Y", "Ycam_image", 50, 20}};
    epdf_page(pdf, 400, 600);
    epdf_setrgbfill(pdf, 0, 0, 0);
    for (const auto& v : views) {
        std::string bmp = RecordImagePath(v.name, slot);
        std::vector<uint8_t> file, pixels;
        if (!RecordReadFile(bmp, &file, 1u << 20) || !RecordBmpPixels(file, &pixels)) {
            std::printf("can not open %s\n", bmp.c_str());
            return;
        }
        char jpg[64];
        std::snprintf(jpg, sizeof jpg, "%s/%s_%05d.jpg", REC_IMAGE_DIR, v.name, slot + 1);
        if (Jpeg_compress(pixels.data(), REC_IMAGE_WIDTH, REC_IMAGE_HEIGHT, jpg) != 0) return;
        epdf_imageshow(pdf, jpg, 40, v.y, REC_IMAGE_WIDTH, REC_IMAGE_HEIGHT);
        float w = epdf_textwidth(pdf, "EN", 12, v.caption);
        epdf_textshow(pdf, "EN", 12, (400 - w) / 2, v.captionY, v.caption);
    }
}

} // namespace

int BuildSpliceRecordPDF(int position)
{
    RecordGuard g; // the slot keeps its record while its report is written
    if (RecordMakeDirs(REC_PDF_DIR) != 0) return -1;
    APPRECORD r;
    if (ReadRecord(position, &r) != 0) return 1;
    int slot = TransRecordIndex(position);
    // The old report is replaced by a rename, never removed first.
    EPDF* pdf = epdf_new(RecordPdfPath(slot).c_str());
    if (!pdf) return -1;
    epdf_page(pdf, 400, 600);
    epdf_setrgbfill(pdf, 0, 0, 0);
    int y = 540;
    for (const auto& [label, value] : rows_of(r)) {
        epdf_textshow(pdf, "EN", 12, 50, float(y), label.c_str());
        epdf_textshow(pdf, "EN", 12, 230, float(y), value.c_str());
        y -= 20;
    }
    if (GetSpliceImgSaveTag(slot)) image_page(pdf, slot);
    int result = epdf_close(pdf);
    DelPdfJpg();
    return result;
}

int DeleteSpliceRecordPDF(int first, int count)
{
    RecordGuard g;
    int n = 0;
    if (GetCount_Record(&n) != 0 || first < 1 || count < 1 || first > n || count > n - first + 1) return -1;
    // Reports follow their slots: nothing to renumber.
    int r = 0;
    for (int p = first; p < first + count; ++p)
        if (RecordRemoveFile(RecordPdfPath(TransRecordIndex(p))) != 0) r = -1;
    return r;
}

int DelPdfJpg()
{
    PlatDir* dir = plat_opendir(REC_IMAGE_DIR);
    if (!dir) return 0;
    std::vector<std::string> names;
    while (const char* name = plat_readdir(dir)) {
        size_t len = std::strlen(name);
        if (len > 4 && std::strcmp(name + len - 4, ".jpg") == 0) names.push_back(name);
    }
    plat_closedir(dir);
    for (const auto& name : names)
        plat_unlink((std::string(REC_IMAGE_DIR) + "/" + name).c_str());
    return 0;
}
