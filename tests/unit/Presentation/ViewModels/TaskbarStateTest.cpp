#include <gtest/gtest.h>

#include "Presentation/ViewModels/TaskbarState.h"

using namespace Presentation::ViewModels;

TEST(TaskbarState, ProgressWhileWorkingRedOnFailureAttentionWhenTheUserMustAct) {
  const TTaskbarView idle{};
  const TTaskbarView downloading{TTaskbarProgress::Normal, 72, false};
  const struct {
    const char* Name;
    TAppState State;
    int32_t Progress;
    TTaskbarView Previous;
    TTaskbarView Expected;
  } cases[] = {
      {"download", TAppState::DownloadingApplication, 72, idle, downloading},
      {"installation", TAppState::InstallingUpdate, 95, downloading, {TTaskbarProgress::Normal, 95, false}},
      {"BDE installation", TAppState::InstallingBDE, 30, idle, {TTaskbarProgress::Normal, 30, false}},
      {"no length to measure",
       TAppState::DownloadingApplication,
       -1,
       idle,
       {TTaskbarProgress::Indeterminate, 0, false}},
      {"beyond the scale", TAppState::InstallingUpdate, 140, idle, {TTaskbarProgress::Normal, 100, false}},
      {"failed mid-download: red where it stopped",
       TAppState::Error,
       0,
       downloading,
       {TTaskbarProgress::Error, 72, true}},
      {"failed before any work: a whole red bar", TAppState::Error, 0, idle, {TTaskbarProgress::Error, 100, true}},
      {"BDE missing", TAppState::BDEMissing, 0, idle, {TTaskbarProgress::Error, 100, true}},
      {"configuration needed", TAppState::ConfigNeeded, 0, downloading, {TTaskbarProgress::None, 0, true}},
      {"data source to choose", TAppState::DSNSelectionNeeded, 0, idle, {TTaskbarProgress::None, 0, true}},
      {"validating", TAppState::Validating, 15, idle, idle},
      {"launching", TAppState::ReadyToLaunch, 100, downloading, idle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TTaskbarView view = SplashTaskbarView(c.State, c.Progress, c.Previous);
    EXPECT_EQ(view.Progress, c.Expected.Progress);
    EXPECT_EQ(view.Percent, c.Expected.Percent);
    EXPECT_EQ(view.Attention, c.Expected.Attention);
  }
}
