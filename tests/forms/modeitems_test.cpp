// The mode editors' items: the step rules with the held-key acceleration and the bounds, the
// values as they read, which items the masks offer, and the template copy.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "forms/modeitems.h"
#include "texts/textres.h"

namespace
{

const MODEITEM& splice_item(uint16_t text)
{
    for (const MODEITEM& it : SpliceModeItems())
        if (it.text == text) return it;
    throw std::runtime_error("no item " + std::to_string(text));
}

const MODEITEM& heater_item(uint16_t text)
{
    for (const MODEITEM& it : HeaterModeItems())
        if (it.text == text) return it;
    throw std::runtime_error("no item " + std::to_string(text));
}

std::string ascii(const std::vector<TEXTPIECE>& pieces)
{
    std::string s;
    for (const TEXTPIECE& p : pieces)
        s += p.ascii;
    return s;
}

TEST(ModeItems, StepRules)
{
    struct Case {
        const MODEITEM& item;
        int value, dir, repeat, expected;
    };
    const MODEITEM &loss = splice_item(TXT_ITEM_TARGET_LOSS), &fuse = splice_item(TXT_ITEM_FUSE_TIME),
                   &clean = splice_item(TXT_ITEM_CLEAN_TIME), &wait = splice_item(TXT_ITEM_TAPER_WAIT),
                   &align = splice_item(TXT_ITEM_ALIGN_TYPE), &pull = splice_item(TXT_ITEM_PULL_TEST),
                   &shift = splice_item(TXT_ITEM_CORE_SHIFT), &heat = heater_item(TXT_ITEM_HEAT_TEMP),
                   &ctrl = heater_item(TXT_ITEM_HEATER_CONTROL), &gap = splice_item(TXT_ITEM_KERF_GAP);
    const Case cases[] = {
        // Fixed steps: 1 per press whatever the repeats, held at the bounds.
        {loss, 100, 1, 25, 101},
        {loss, 200, 1, 0, 200},
        {loss, 1, -1, 0, 1},
        {gap, 0, 1, 0, 11}, // a stored value below the range comes back in first
        // Accelerated: 1 up to 9 repeats, 10 from 10, 100 from 20, limited by the cap.
        {fuse, 1000, 1, 9, 1001},
        {fuse, 1000, 1, 10, 1010},
        {fuse, 1000, 1, 19, 1010},
        {fuse, 1000, 1, 20, 1100},
        {fuse, 1000, 1, 45, 1100}, // cap 100
        {fuse, 3990, 1, 20, 4000}, // over max - step: the maximum
        {fuse, 4000, 1, 0, 4000},
        {fuse, 50, -1, 20, 0}, // under the step: 0
        {fuse, 1000, -1, 10, 990},
        {clean, 100, 1, 20, 110}, // cap 10
        {clean, 495, 1, 10, 500},
        {wait, 0, 1, 30, 1000}, // cap 1000
        {wait, 29500, 1, 40, 30000},
        {shift, 195, 1, 10, 200},
        {heat, 135, -1, 10, 130}, // heater: held at its minimum
        {heat, 230, 1, 0, 230},
        // Switches and cycles.
        {align, 2, 1, 0, 0},
        {align, 0, -1, 0, 2},
        {align, 1, 1, 15, 2},
        {pull, 0, 1, 0, 1},
        {pull, 1, -1, 0, 0},
        {ctrl, 2, 1, 0, 3},
        {ctrl, 3, 1, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.item.label) + " from " + std::to_string(c.value) + " dir " +
                     std::to_string(c.dir) + " repeat " + std::to_string(c.repeat));
        EXPECT_EQ(ModeStepValue(c.item, c.value, c.dir, c.repeat, c.item.max), c.expected);
    }
}

TEST(ModeItems, PreheatFollowsTheHeatingTemperature)
{
    uint8_t r[MODE_RECORD_SIZE] = {};
    const MODEITEM &heat = heater_item(TXT_ITEM_HEAT_TEMP), &pre = heater_item(TXT_ITEM_PREHEAT_TEMP);
    ModeItemSet(heat, r, 150);
    ModeItemSet(pre, r, 145);
    EXPECT_TRUE(ModeItemChange(pre, r, 1, 10));
    EXPECT_EQ(ModeItemGet(pre, r), 150); // not above the heating temperature
    EXPECT_FALSE(ModeItemChange(pre, r, 1, 0));
    // Lowering the heating temperature takes the preheat temperature with it.
    EXPECT_TRUE(ModeItemChange(heat, r, -1, 10));
    EXPECT_EQ(ModeItemGet(heat, r), 140);
    EXPECT_EQ(ModeItemGet(pre, r), 140);
    // Sixteen-bit fields are little-endian at their offsets.
    EXPECT_EQ(r[10], 140);
    EXPECT_EQ(r[11], 0);
}

TEST(ModeItems, ValuesAsTheyRead)
{
    uint8_t r[MODE_RECORD_SIZE] = {};
    struct Case {
        uint16_t item;
        int value;
        const char* text; // the ASCII pieces; units and words come as text numbers too
    };
    const Case cases[] = {
        {TXT_ITEM_FUSE_POWER, 100, "STD"},    {TXT_ITEM_FUSE_POWER, 101, "+1"},
        {TXT_ITEM_FUSE_POWER, 99, "-1"},      {TXT_ITEM_FUSE_POWER, 0, "-100"},
        {TXT_ITEM_KERF_OFFSET, 50, "0 um"},   {TXT_ITEM_KERF_OFFSET, 0, "-50 um"},
        {TXT_ITEM_TARGET_LOSS, 15, "1.5 dB"}, {TXT_ITEM_LOSS_LIMIT, 5, "0.05 dB"},
        {TXT_ITEM_CORE_SHIFT, 200, "2.00"},   {TXT_ITEM_ALIGN_TYPE, 2, "Clad"},
        {TXT_ITEM_ALIGN_TYPE, 7, "7"},        {TXT_ITEM_LEFT_MFD, 104, "10.4"},
    };
    for (const Case& c : cases) {
        const MODEITEM& it = splice_item(c.item);
        ModeItemSet(it, r, c.value);
        EXPECT_EQ(ascii(ModeItemValue(it, r)), c.text) << it.label << " " << c.value;
    }
    // The words come from the language files.
    ModeItemSet(splice_item(TXT_ITEM_FUSE_POWER), r, 100);
    EXPECT_EQ(ModeItemValue(splice_item(TXT_ITEM_FUSE_POWER), r)[0].text, TXT_STANDARD);
}

TEST(ModeItems, MasksOfferTheirGroupsAndGuardTemplateNameAndNote)
{
    uint8_t r[MODE_RECORD_SIZE] = {};
    auto labels = [&] {
        std::string s;
        for (const MODEITEM* it : ModeItemsShown(SpliceModeItems(), r))
            s += std::string(it->label) + ";";
        return s;
    };
    EXPECT_EQ(labels(), "Template;Name;Note;");
    r[1] = 0x20; // end-face offset, gap and overlap
    r[2] = 0x01; // fusion arc
    EXPECT_EQ(labels(), "Template;Name;Note;Endface Offset;Gap;Overlap;Fusion Power;Fusion Time;");
    r[1] = 0;
    r[2] = 0x02; // taper, in its order
    EXPECT_EQ(labels(),
              "Template;Name;Note;Taper;Taper Speed;Taper Wait;Taper Length;Taper Power;Taper Time;");
    r[0] = 0xFF;
    r[1] = 0xFF;
    r[2] = 0x7F;
    EXPECT_EQ(ModeItemsShown(SpliceModeItems(), r).size(), SpliceModeItems().size());

    const auto& items = SpliceModeItems();
    for (int bit = 0; bit < 3; ++bit) {
        r[0] = uint8_t(0xFF & ~(1 << bit));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(ModeItemAllowed(items[size_t(i)], r), i != bit) << "bit " << bit << " item " << i;
    }
}

TEST(ModeItems, TemplateCopyKeepsIndexAndActiveAndUnlocks)
{
    uint8_t rec[MODE_RECORD_SIZE], templ[MODE_RECORD_SIZE];
    std::memset(rec, 0x11, sizeof rec);
    for (int i = 0; i < MODE_RECORD_SIZE; ++i)
        templ[i] = uint8_t(i);
    rec[4] = 9;
    rec[7] = 1;
    SpliceModeApplyTemplate(rec, templ);
    EXPECT_EQ(rec[0], 0x07);
    EXPECT_EQ(rec[4], 9);
    EXPECT_EQ(rec[5], 0);
    EXPECT_EQ(rec[7], 1);
    for (int i : {1, 2, 3, 6, 8, 70, 95, 123})
        EXPECT_EQ(rec[i], templ[i]) << i;

    // Names: printable ASCII only, within the field, the rest cleared.
    uint8_t name[8];
    std::memset(name, 'x', sizeof name);
    ModeTextSet(name, sizeof name, "Caf\xC3\xA9 12345");
    EXPECT_EQ(ModeTextGet(name, sizeof name), "Caf 123");
    EXPECT_EQ(name[7], 0);
    const uint8_t unterminated[8] = {'A', 'B', 0x01, 'C', 'D', 'E', 'F', 'G'};
    EXPECT_EQ(ModeTextGet(unterminated, sizeof unterminated), "AB?CDEFG");
}

} // namespace
