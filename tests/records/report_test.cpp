// Record images and the PDF report, read back with poppler's tools and libjpeg.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "fiber/graphics.h"
#include "records/recordimage.h"
#include "rectest.h"
#include "tests/support/run_command.h"

using namespace rectest;

namespace
{

std::string run(const std::string& cmd)
{
    return run_command(cmd).out;
}

int pages(const std::string& pdf)
{
    std::string info = run("pdfinfo " + pdf);
    size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// A frame told apart from its mirror images: bright top-left block, a ramp along the columns.
void paint(uint8_t* frame, bool bottomRight)
{
    for (int y = 0; y < CAMERA_HEIGHT; ++y)
        for (int x = 0; x < CAMERA_WIDTH; ++x) {
            bool block = bottomRight ? (x >= 480 && y >= 360) : (x < 160 && y < 120);
            frame[y * CAMERA_WIDTH + x] = uint8_t(block ? 250 : 20 + x / 8);
        }
}

std::vector<uint8_t> decode_jpeg(const std::vector<uint8_t>& data, int* w, int* h)
{
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, data.data(), (unsigned long)data.size());
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    *w = int(d.output_width);
    *h = int(d.output_height);
    std::vector<uint8_t> px(size_t(*w) * size_t(*h) * d.output_components);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = px.data() + size_t(d.output_scanline) * size_t(*w) * d.output_components;
        jpeg_read_scanlines(&d, &row, 1);
    }
    EXPECT_EQ(d.output_components, 1);
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return px;
}

class ReportTest : public RecordTest
{
  protected:
    void SetUp() override
    {
        RecordTest::SetUp();
        ASSERT_EQ(InitializeGraphics(), 0);
        paint(GetGraphicsEntry(VIEW_X), false);
        paint(GetGraphicsEntry(VIEW_Y), true);
        ASSERT_EQ(InitializeRecord(), 0);
    }
    void TearDown() override
    {
        ReleaseGraphics();
        RecordTest::TearDown();
    }
    bool exists(const std::string& instrumentPath)
    {
        struct stat st;
        return ::stat(tb->path(instrumentPath).c_str(), &st) == 0;
    }
};

} // namespace

TEST_F(ReportTest, ImagesAreHalfSizeGreyBmpsStoredBottomUp)
{
    EXPECT_EQ(AppendRecordImage(), -1) << "no record yet";
    APPRECORD r = make_record(1);
    ASSERT_EQ(AppendRecord(&r), 0);
    ASSERT_EQ(AppendRecord(&r), 0); // slot 1: files named 00002
    ASSERT_EQ(AppendRecordImage(), 0);
    EXPECT_TRUE(GetSpliceImgSaveTag(1));
    EXPECT_FALSE(GetSpliceImgSaveTag(0));
    auto x = read_file(tb->path("/mnt/usr/record/image/X_00002.bmp"));
    auto y = read_file(tb->path("/mnt/usr/record/image/Y_00002.bmp"));
    ASSERT_EQ(x.size(), 77878u);
    ASSERT_EQ(y.size(), 77878u);
    EXPECT_EQ(x[0], 'B');
    EXPECT_EQ(x[10], 1078 & 0xFF);
    EXPECT_EQ(x[54 + 4 * 200], 200) << "grey palette";
    // Stored bottom-up: the file's last row is the picture's top.
    const uint8_t* top = x.data() + 1078 + 239 * 320;
    const uint8_t* bottom = x.data() + 1078;
    EXPECT_EQ(top[0], 250);
    EXPECT_EQ(top[100], 20 + 200 / 8) << "2 x 2 mean of columns 200, 201";
    EXPECT_EQ(bottom[0], 20);
    EXPECT_EQ(y[1078 + 319], 250) << "Y: bright bottom-right";

    ReleaseGraphics();
    ASSERT_EQ(AppendRecord(&r), 0);
    EXPECT_EQ(AppendRecordImage(), -1) << "no camera frames";
    EXPECT_FALSE(GetSpliceImgSaveTag(2));
    ASSERT_EQ(InitializeGraphics(), 0);
}

TEST_F(ReportTest, JpegComesOutUpright)
{
    APPRECORD r = make_record(1);
    ASSERT_EQ(AppendRecord(&r), 0);
    ASSERT_EQ(AppendRecordImage(), 0);
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(RecordBmpPixels(read_file(tb->path("/mnt/usr/record/image/X_00001.bmp")), &pixels));
    ASSERT_EQ(Jpeg_compress(pixels.data(), 320, 240, "/mnt/usr/record/image/t.jpg"), 0);
    int w = 0, h = 0;
    auto px = decode_jpeg(read_file(tb->path("/mnt/usr/record/image/t.jpg")), &w, &h);
    ASSERT_EQ(w, 320);
    ASSERT_EQ(h, 240);
    const uint8_t* frame = GetGraphicsEntry(VIEW_X);
    long diff = 0;
    for (int yy = 0; yy < 240; ++yy)
        for (int xx = 0; xx < 320; ++xx)
            diff += std::abs(int(px[size_t(yy * 320 + xx)]) - int(frame[(2 * yy) * 640 + 2 * xx]));
    EXPECT_LT(double(diff) / (320 * 240), 3.0) << "decoded picture differs from the frame";
    EXPECT_GT(px[size_t(10 * 320 + 10)], 230) << "bright block top-left";
    EXPECT_LT(px[size_t(230 * 320 + 10)], 40);
    EXPECT_EQ(Jpeg_compress(pixels.data(), 320, 240, "/mnt/usr/nodir/t.jpg"), -1);
    EXPECT_EQ(DelPdfJpg(), 0);
    EXPECT_FALSE(exists("/mnt/usr/record/image/t.jpg"));
}

TEST_F(ReportTest, ReportShowsTheFieldsAndBothImages)
{
    APPRECORD r = make_record(1);
    r.bLossValue = RECORD_NO_LOSS;
    r.bCoreAngle = 12;
    r.bLeftAngle = 5;
    r.bCladOff = 17;
    std::memcpy(r.ModeName, "SM-AUTOX", 8); // not terminated: 7 characters shown
    std::memcpy(r.bSplicePlace,
                "Lab (3) \\ \xe9"
                "ast1234",
                16);
    ASSERT_EQ(AppendRecord(&r), 0);
    ASSERT_EQ(AppendRecordImage(), 0);
    ASSERT_EQ(BuildSpliceRecordPDF(1), 0);
    std::string pdf = tb->path("/mnt/usr/record/pdf/record_00001.pdf");
    std::string text = run("pdftotext -layout " + pdf + " -");
    for (const char* want :
         {"1. Splice Time", "2026-12-10 04:30", "SM-AUTO", "X.XX", "1.2", "0.5", "1.7", "0.10", "3.0",
          "11. Splice Place", "Lab (3) \\ ?ast12", "Xcam_image", "Ycam_image"})
        EXPECT_NE(text.find(want), std::string::npos) << want << " missing in:\n" << text;
    EXPECT_EQ(text.find("SM-AUTOX"), std::string::npos);
    EXPECT_EQ(text.find("ast1234"), std::string::npos) << "place read past its 16 bytes";
    EXPECT_EQ(pages(pdf), 2);
    std::string images = run("pdfimages -list " + pdf);
    int found = 0;
    for (size_t at = 0; (at = images.find(" 320   240  gray", at)) != std::string::npos; ++at)
        ++found;
    EXPECT_EQ(found, 2) << images;
    EXPECT_FALSE(exists("/mnt/usr/record/image/X_00001.jpg")) << "temporary JPEG left";

    // Without images: one page. Unknown positions: 1.
    ASSERT_EQ(AppendRecord(&r), 0);
    ASSERT_EQ(BuildSpliceRecordPDF(2), 0);
    EXPECT_EQ(pages(tb->path("/mnt/usr/record/pdf/record_00002.pdf")), 1);
    EXPECT_EQ(BuildSpliceRecordPDF(3), 1);
    EXPECT_EQ(BuildSpliceRecordPDF(0), 1);

    // Removal by position finds the report by its slot, before the record goes.
    EXPECT_EQ(DeleteSpliceRecordPDF(2, 2), -1);
    ASSERT_EQ(DeleteSpliceRecordPDF(1, 1), 0);
    EXPECT_FALSE(exists("/mnt/usr/record/pdf/record_00001.pdf"));
    EXPECT_TRUE(exists("/mnt/usr/record/pdf/record_00002.pdf"));
}
