// End to end: the power-off timers and the low battery through dtbsim.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

class PowerE2E : public ::testing::Test {
 protected:
  dtbtest::SimResult Run(const std::string& script, bool fresh = true, int timeout = 120) {
    dtbtest::SimRun run;
    run.root = dir.path() + "/device";
    run.lang = "en";
    run.fresh = fresh;
    run.script = script;
    run.timeout_seconds = timeout;
    return dtbtest::RunSim(run);
  }
  // Minute steps with the clock moved a minute each.
  static std::string Minutes(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "clock +60\nwait 1.2\n";
    return s;
  }
  dtbtest::TempDir dir;
};

TEST_F(PowerE2E, PowerClickSetsTheAutoPowerOffWhichWarnsAndCanBeReArmed) {
  DTB_REQUIRE_PLAYER();
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "wait 0.5\n"
      "power click\n"
      "expect Auto shutdown time: 10 minutes, warn 15 seconds before shutting down: enable\n"
      "power click\n"
      "expect Auto shutdown time: 10 minutes, warn 15 seconds before shutting down: enable\n"
      "key right\n"
      "expect Auto shutdown time: 15 minutes\n"
      "key play\n"
      "expect Setting done.\n"
      "clock +905\n"
      "expect The device will be turned off after 15 seconds 5\n"
      "key down\n"
      "expect Auto shutdown time: 15 minutes 5\n"
      "wait 16\n"
      "clock +905\n"
      "expect The device will be turned off after 15 seconds 5\n"
      "expect shutting down. 20\n"
      "wait 2\n",
      true, 90);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("Setting done.,"), std::string::npos) << "joined as two sentences";
}

TEST_F(PowerE2E, IdlePowerOffWarnsFifteenSecondsThenSaysGoodbye) {
  DTB_REQUIRE_PLAYER();
  ASSERT_EQ(Run("expect Internal memory 20\nquit\n").status, 0);
  std::string path = dir.path() + "/device/mnt/settings/system.config.xml";
  std::string xml = dtbtest::ReadFile(path);
  size_t at = xml.find("language=");
  ASSERT_NE(at, std::string::npos) << xml;
  xml.insert(at, "idle_shut_down_time=\"1\" ");
  dtbtest::WriteFile(path, xml);

  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "expect The device will be turned off after 15 seconds 70\n"
      "expect idle power off. 20\n"
      "wait 2\n",
      false, 150);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;
}

TEST_F(PowerE2E, LowBatteryCountsDownTenMinutesThenPowersOff) {
  DTB_REQUIRE_PLAYER();
  // One new ADC sample a minute: eight minutes bring the level down to low.
  std::string script = "expect Internal memory 20\nbattery 1\n" + Minutes(9) +
                       "expect turned off after 10 minutes\n" + Minutes(5) +
                       "expect turned off after 5 minutes\n" + Minutes(3) +
                       "expect turned off after 2 minutes\n" + Minutes(1) +
                       "expect turned off after 1 minute\n" + Minutes(1) +
                       "expect Battery level low, shutting down. 10\nwait 2\n";
  dtbtest::SimResult r = Run(script);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("powered off"), std::string::npos) << r.output;
}

}  // namespace
