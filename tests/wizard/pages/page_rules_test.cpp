#include "WizardTestSupport.h"

using namespace wizardtest;

namespace {

TEST(HelpFile, LiesBesideTheProgram) {
    EXPECT_EQ(HelpFilePath("C:\\Program Files\\Varnex\\varnex.exe"), "C:\\Program Files\\Varnex\\wizards.chm");
    EXPECT_EQ(HelpFilePath("C:/tools/varnex.exe"), "C:/tools\\wizards.chm");
    EXPECT_EQ(HelpFilePath("varnex.exe"), "wizards.chm");
    EXPECT_EQ(HelpFilePath(""), "wizards.chm");
}

class WelcomePageTest : public PageTest {};

TEST_F(WelcomePageTest, WritesItsStageEnablesNextAndPressesItInABatchRun) {
    WelcomePage page(settings, sheet);
    page.Initialise();
    page.SetActive();
    EXPECT_EQ(Status(), "Welcome dialog");
    EXPECT_EQ(sheet.Buttons, (std::vector<unsigned>{kWizardNext}));
    EXPECT_TRUE(sheet.Presses.empty());

    settings.Batch = 1;
    WelcomePage batch(settings, sheet);
    batch.Initialise();
    ASSERT_EQ(sheet.Presses.size(), 1u);
    EXPECT_EQ(sheet.Presses[0], WizardPress::Next);
}

} // namespace
