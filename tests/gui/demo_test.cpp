// The demonstration screen: drawn, transferred, shown, compared with its reference and saved.
#include <filesystem>

#include "gui/demo.h"
#include "gui_fixture.h"
#include "tests/support/screens.h"

namespace
{

using Screens = guitest::GuiTest;

TEST_F(Screens, ToolkitDemonstration)
{
    GUIWINDOW* w = BuildStdWindow(1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    GuiDemoPaint(w);
    sim::DisplayState st = sim::display_state();
    EXPECT_GE(st.transfers, 2u);
    EXPECT_GE(st.shows, 1u);
    EXPECT_SCREEN("toolkit");
    ASSERT_TRUE(sim::display_screenshot("gui_demo"));
    const std::string png = bed_->root() + "/sim/screens/gui_demo.png";
    EXPECT_TRUE(std::filesystem::exists(png));
    if (const char* keep = std::getenv("SPLICER_GUI_DEMO_PNG"))
        std::filesystem::copy_file(png, keep, std::filesystem::copy_options::overwrite_existing);
    DeleteWindowDirect(w);
}

} // namespace
