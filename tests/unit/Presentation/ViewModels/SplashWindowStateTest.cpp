#include "Presentation/ViewModels/SplashWindowState.h"

#include <gtest/gtest.h>

#include "Infrastructure/Translator/PortugueseTranslator.h"

using namespace Presentation::ViewModels;

TEST(SplashWindowState, EachStateDecidesAnimationBarRetryAndWhatOpens) {
  using O = std::optional<bool>;
  const O keep = std::nullopt;
  const struct {
    TAppState state;
    O busy, bar;
    bool full;
    O retry;
    bool red, box, configure, selector;
  } cases[] = {
      {TAppState::Initializing, true, true, false, false, false, false, false, false},
      {TAppState::DownloadingApplication, true, true, false, false, false, false, false, false},
      {TAppState::InstallingBDE, true, true, false, false, false, false, false, false},
      {TAppState::BDEMissing, false, false, false, true, true, false, false, false},
      {TAppState::Validated, false, keep, true, keep, false, false, false, false},
      {TAppState::ReadyToLaunch, false, keep, true, keep, false, false, false, false},
      {TAppState::Error, false, false, false, true, true, true, false, false},
      {TAppState::ConfigNeeded, false, false, false, keep, false, false, true, false},
      {TAppState::DSNSelectionNeeded, false, false, false, false, false, false, false, true},
      {TAppState::UpdateComplete, keep, keep, false, keep, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    const TSplashStateView view = SplashStateView(c.state);
    EXPECT_EQ(view.BusyRunning, c.busy);
    EXPECT_EQ(view.ProgressVisible, c.bar);
    EXPECT_EQ(view.ProgressFull, c.full);
    EXPECT_EQ(view.RetryVisible, c.retry);
    EXPECT_EQ(view.MessageInErrorColour, c.red);
    EXPECT_EQ(view.ShowErrorBox, c.box);
    EXPECT_EQ(view.OpenConfiguration, c.configure);
    EXPECT_EQ(view.OpenDSNSelector, c.selector);
  }
}

TEST(SplashWindowState, PercentAndVersionTexts) {
  EXPECT_EQ(SplashPercentText(0), "");
  EXPECT_EQ(SplashPercentText(-5), "");
  EXPECT_EQ(SplashPercentText(1), "1%");
  EXPECT_EQ(SplashPercentText(100), "100%");

  const Infrastructure::Translator::TPortugueseTranslator translator;
  EXPECT_EQ(SplashVersionText(translator, "", "", ""), "");
  EXPECT_EQ(SplashVersionText(translator, "1.0.0.0", "", ""), "BD: 1.0.0.0 | EXE: - | WS: -");
  EXPECT_EQ(SplashVersionText(translator, "2.0.0.0", "1.9.0.0", "1.5.0.0"), "BD: 2.0.0.0 | EXE: 1.9.0.0 | WS: 1.5.0.0");
}
