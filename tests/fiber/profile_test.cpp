// Brightness profiles, the brightness-wave table, corner and electrode locators, arc brightness.
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::FiberTest;

// Every pixel of a row has the row's half: row values are known sums of whole numbers.
void half_rows(uint8_t* f)
{
    for (int r = 0; r < CAMERA_HEIGHT; ++r)
        std::memset(f + r * CAMERA_WIDTH, r / 2, CAMERA_WIDTH);
}

TEST_F(FiberTest, ProfileWindowsAreChecked)
{
    half_rows(frame(1));
    const struct {
        int view, x, w, s, rc;
    } cases[] = {
        {1, 8, 32, 1, 0},  {1, 7, 32, 1, -1},  {1, 600, 32, 1, 0},  {1, 601, 32, 1, -1}, {1, 8, 0, 1, -1},
        {1, 8, 32, 0, -1}, {1, 8, 32, 464, 0}, {1, 8, 32, 465, -1}, {0, 8, 32, 1, -1},   {3, 8, 32, 1, -1},
    };
    for (const auto& c : cases) {
        float* p = nullptr;
        uint8_t* b = nullptr;
        float wave[480];
        uint8_t v = 0;
        uint16_t n = 0;
        EXPECT_EQ(GetVertBrightArray(c.view, c.x, c.w, c.s, &p), c.rc) << c.x << " " << c.w << " " << c.s;
        EXPECT_EQ(GetVertBrightArrayEX(c.view, c.x, c.w, c.s, &b), c.rc);
        EXPECT_EQ(GetVertBrightWave(c.view, c.x, c.w, c.s, wave), c.rc);
        EXPECT_EQ(GetVertBrightAvg(c.view, c.x, c.w, c.s, &v), c.rc);
        EXPECT_EQ(GetVertBrightErr(c.view, c.x, c.w, c.s, &v), c.rc);
        EXPECT_EQ(GetVertBrightErrEx(c.view, c.x, c.w, c.s, 100, &v, &n), c.rc);
        EXPECT_EQ(GetVertBrightMin(c.view, c.x, c.w, c.s, &v), c.rc);
        EXPECT_EQ(GetVertBrightMax(c.view, c.x, c.w, c.s, &v), c.rc);
    }
    EXPECT_EQ(GetVertBrightArray(1, 8, 32, 1, nullptr), -1);
}

TEST_F(FiberTest, ProfileRowsStepsAndTheBottomBlock)
{
    half_rows(frame(2));
    float wave[480];
    std::fill(std::begin(wave), std::end(wave), -1.0f);
    ASSERT_EQ(GetVertBrightWave(2, 8, 32, 4, wave), 0);
    EXPECT_FLOAT_EQ(wave[8], 4.5f);
    EXPECT_FLOAT_EQ(wave[468], 234.5f);
    for (int r : {0, 7, 9, 10, 11, 469, 471, 472, 479})
        EXPECT_EQ(wave[r], -1.0f) << r;
    // A block reaching past the last row averages the 172 rows it has (308..479).
    ASSERT_EQ(GetVertBrightWave(2, 8, 32, 300, wave), 0);
    EXPECT_FLOAT_EQ(wave[308], 196.5f);

    uint8_t v = 0;
    uint16_t near = 0;
    ASSERT_EQ(GetVertBrightAvg(2, 8, 32, 1, &v), 0);
    EXPECT_EQ(v, 119); // 55448 / 464
    ASSERT_EQ(GetVertBrightErrEx(2, 8, 32, 1, 100, &v, &near), 0);
    EXPECT_EQ(v, 231);
    EXPECT_EQ(near, 178); // row values 56..144, two rows each
    ASSERT_EQ(GetVertBrightMin(2, 8, 32, 1, &v), 0);
    EXPECT_EQ(v, 4);
    frame(2)[300 * CAMERA_WIDTH + 20] = 255;
    ASSERT_EQ(GetVertBrightMax(2, 20, 2, 1, &v), 0);
    EXPECT_EQ(v, 245); // (255 + 235) / 2
    uint8_t* b = nullptr;
    ASSERT_EQ(GetVertBrightArrayEX(2, 8, 32, 1, &b), 0);
    EXPECT_EQ(b[101], 50);
}

TEST_F(FiberTest, CornersAndElectrode)
{
    uint8_t* f = frame(1);
    std::memset(f, 20, CAMERA_FRAME_SIZE);
    const int corners[4][2] = {{128, 88}, {448, 88}, {128, 328}, {448, 328}};
    for (int b = 0; b < 4; ++b)
        for (int r = 0; r < 64; ++r)
            std::memset(f + (corners[b][1] + r) * CAMERA_WIDTH + corners[b][0], 10 * (b + 1), 64);
    uint32_t word = 0;
    ASSERT_EQ(GetCornerBrightness(1, &word), 0);
    EXPECT_EQ(word, 0x281E140Au);

    std::memset(f, 20, CAMERA_FRAME_SIZE);
    for (int r = 0; r < CAMERA_HEIGHT; ++r)
        std::memset(f + r * CAMERA_WIDTH + 300, 200, 40);
    int column = 0, dark = 0;
    ASSERT_EQ(GetElectrodeLocation(1, &column), 0);
    EXPECT_EQ(column, 319);
    ASSERT_EQ(GetElectrodeLocationEx(1, &column, &dark, 100, 200), 0);
    EXPECT_EQ(column, 319);
    EXPECT_EQ(dark, 69);
    column = 5;
    EXPECT_EQ(GetElectrodeLocationEx(1, &column, &dark, 150, 150), -1);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(GetElectrodeLocationEx(1, &column, &dark, 400, 481), -1);
    // A black picture has no bright columns: column 0, no division by zero.
    std::memset(f, 0, CAMERA_FRAME_SIZE);
    ASSERT_EQ(GetElectrodeLocation(1, &column), 0);
    EXPECT_EQ(column, 0);
}

TEST_F(FiberTest, ArcBrightnessOfTheCladdingAreas)
{
    auto fill = [](uint8_t* f, int first, int last, uint8_t v) {
        for (int r = first; r <= last; ++r)
            std::memset(f + r * CAMERA_WIDTH, v, CAMERA_WIDTH);
    };
    APPFIBER* rec = GetFiberStruct();
    for (APPFIBER_GRAPH* g : {&rec->graX, &rec->graY}) {
        g->infL.iCladUp = 100;
        g->infL.iCoreUp = 139;
        g->infL.iCoreDown = 300;
        g->infL.iCladDown = 339;
    }
    std::memset(frame(1), 0, CAMERA_FRAME_SIZE);
    std::memset(frame(2), 0, CAMERA_FRAME_SIZE);
    fill(frame(1), 100, 139, 150);
    fill(frame(1), 300, 339, 120);
    fill(frame(2), 100, 139, 140);
    fill(frame(2), 300, 339, 110);
    EXPECT_EQ(CalcCameraBrightAvg(3, rec, 0), 130); // (135 + 125) / 2
    EXPECT_EQ(rec->bArcBrightUp, 145);
    EXPECT_EQ(rec->bArcBrightDown, 115);
    EXPECT_EQ(CalcCameraBrightAvg(1, rec, 0), 135); // one view divides by 1
    EXPECT_EQ(CalcCameraBrightAvg(3, rec, 1), 145);
    // Views that disagree by more than 50: 0, and the record keeps its values.
    fill(frame(2), 100, 139, 220);
    fill(frame(2), 300, 339, 220);
    rec->bArcBrightUp = 1;
    EXPECT_EQ(CalcCameraBrightAvg(3, rec, 0), 0);
    EXPECT_EQ(rec->bArcBrightUp, 1);
    // An area from a failed measurement (rows reversed, past the frame) counts as no brightness.
    EXPECT_EQ(CalcAreaArcBrightAvg(frame(1), 470, 8, 624, 20), 0);
    EXPECT_EQ(CalcAreaArcBrightAvg(frame(1), 100, 8, 640, 10), 0);
    EXPECT_EQ(CalcAreaArcBrightAvg(frame(1), 100, 8, 624, -5), 0);
    EXPECT_EQ(CalcAreaArcBrightAvg(frame(1), 100, 8, 624, 40), 150);

    SetCompensationgBright(0);
    EXPECT_EQ(CalCompensationgBright(130), 40);
    EXPECT_EQ(CalCompensationgBright(130), 68);
}

TEST_F(FiberTest, BrightWaveTable)
{
    std::memset(frame(1), 60, CAMERA_FRAME_SIZE);
    std::memset(frame(2), 90, CAMERA_FRAME_SIZE);
    for (int r = 0; r < CAMERA_HEIGHT; ++r)
        frame(1)[r * CAMERA_WIDTH + 616 + 15] = 92; // last column of the window at 616
    uint8_t out[480];
    ASSERT_EQ(GetBrightWaveTest(3, out), 0);
    EXPECT_EQ(out[240], 61); // (31 * 60 + 92) / 32
    ASSERT_EQ(GetBrightWaveTest(5, out), 0);
    EXPECT_EQ(out[0], 90);
    EXPECT_EQ(GetBrightWaveTest(8, out), -1);
    ASSERT_EQ(GetAllBrightWaveTest(), 0);
    EXPECT_EQ(GetTable_BrightWave()[3 * 480 + 240], 61);
    EXPECT_EQ(GetTable_BrightWave()[4 * 480], 90);

    // A device line is copied with the entry's own length: the next entry stays.
    uint8_t* table = GetTable_BrightWave();
    std::memset(table, 0xAA, BRIGHT_WAVE_SIZE);
    ASSERT_EQ(GetOneBrightWave(0), 0);
    EXPECT_EQ(table[480], 0xAA);
    EXPECT_EQ(GetOneBrightWave(10), -1);
}

} // namespace
