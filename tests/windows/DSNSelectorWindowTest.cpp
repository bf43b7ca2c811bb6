// The data-source selector, driven through its controls under Wine over the
// prefix's real registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "Bootstrap/ServiceLocator.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Presentation/Views/DSNSelector.h"
#include "windows/ODBCRegistryFixture.h"
#include "windows/WindowTestSupport.h"

using Presentation::Views::TfrmDSNSelector;
using namespace TestSupport;

namespace {

using S = TfrmDSNSelector;
const std::string kDriver = "QL Teste Driver";

// Only this test's entries, in the order the window lists them.
std::vector<std::string> Ours(const std::vector<std::string>& AItems) {
  std::vector<std::string> ours;
  for (const std::string& item : AItems)
    if (item.rfind("QLTeste_", 0) == 0) ours.push_back(item);
  return ours;
}

int IndexOf(const std::vector<std::string>& AItems, const std::string& AItem, int AOccurrence = 0) {
  for (size_t i = 0; i < AItems.size(); ++i)
    if (AItems[i] == AItem && AOccurrence-- == 0) return static_cast<int>(i);
  ADD_FAILURE() << AItem << " is not listed";
  return -1;
}

// A user data source, a system one, and one defined in both hives.
struct TSelectorMachine {
  Bootstrap::TServiceRegistration Registration;
  TODBCRegistryFixture Registry;
  TSelectorMachine() {
    Registry.AddDataSource(HKEY_CURRENT_USER, "QLTeste_Usuario", kDriver, "srv");
    Registry.AddDataSource(HKEY_CURRENT_USER, "QLTeste_Ambos", kDriver, "srv");
    Registry.AddDataSource(HKEY_LOCAL_MACHINE, "QLTeste_Ambos", kDriver, "srv");
    Registry.AddDataSource(HKEY_LOCAL_MACHINE, "QLTeste_Sistema", kDriver, "srv");
  }
};

// Both hives' data-source lists emptied for a test and put back afterwards.
class TNoDataSources {
 public:
  TNoDataSources() {
    for (const HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      HKEY key;
      if (RegOpenKeyExW(hive, Infrastructure::Platform::Win32::ToWide(kDataSources).c_str(), 0,
                        KEY_READ | kLauncherView, &key) != ERROR_SUCCESS)
        continue;
      wchar_t name[256];
      for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::string value = Infrastructure::Platform::Win32::FromWide(name);
        FSaved.push_back({hive, value, RegGetText(hive, kDataSources, value).value_or("")});
      }
      RegCloseKey(key);
    }
    for (const auto& entry : FSaved) RegRemoveValue(entry.Hive, kDataSources, entry.Name);
  }
  ~TNoDataSources() {
    for (const auto& entry : FSaved) RegSetText(entry.Hive, kDataSources, entry.Name, entry.Driver);
  }
  TNoDataSources(const TNoDataSources&) = delete;
  TNoDataSources& operator=(const TNoDataSources&) = delete;

 private:
  struct TEntry {
    HKEY Hive;
    std::string Name;
    std::string Driver;
  };
  std::vector<TEntry> FSaved;
};

}  // namespace

TEST(DSNSelectorWindow, ListsUserThenSystemDataSourcesAndConfirmsTheChoice) {
  const TSelectorMachine machine;
  const struct {
    const char* Name;
    void (*Choose)(HWND, const std::vector<std::string>&);
    int Index;  // in the list, -1: the first entry whatever it is
  } cases[] = {
      // Enter without touching the list: the first name (a user data source
      // when there is any).
      {"Enter", [](HWND h, const std::vector<std::string>&) { PressKey(h, S::cmbDSN, VK_RETURN); }, -1},
      // The system copy of a name in both hives gives the same name.
      {"system copy, clicked",
       [](HWND h, const std::vector<std::string>& AItems) {
         ChooseItem(h, S::cmbDSN, IndexOf(AItems, "QLTeste_Ambos", 1));
         Click(h, S::btnConfirm);
       },
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TfrmDSNSelector form;
    std::vector<std::string> items;
    const int result = RunWithDriver(
        [&] { return form.ShowModal(); },
        [&] {
          const HWND h = WaitForWindow(TfrmDSNSelector::ClassName);
          ASSERT_EQ(h, form.Handle());
          EXPECT_EQ(WindowCaption(h), "Selecione o DSN");
          EXPECT_EQ(ControlText(h, S::lblPrompt), "Selecione a fonte de dados ODBC que deseja utilizar:");
          EXPECT_EQ(ControlText(h, S::btnCancel), "Cancelar");
          EXPECT_EQ(ControlText(h, S::btnConfirm), "Confirmar");
          items = ComboItems(h, S::cmbDSN);
          // Within a hive the registry decides the order (Wine sorts); user data sources come first.
          EXPECT_EQ(Ours(items),
                    (std::vector<std::string>{"QLTeste_Ambos", "QLTeste_Usuario", "QLTeste_Ambos", "QLTeste_Sistema"}));
          EXPECT_EQ(ComboSelection(h, S::cmbDSN), 0);
          if (c.Index < 0) SaveScreenshot(h, "dsn_selector");
          c.Choose(h, items);
        });
    EXPECT_EQ(result, Presentation::Views::mrOk);
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(form.SelectedDSN(), c.Index < 0 ? items.front() : "QLTeste_Ambos");
  }
}

TEST(DSNSelectorWindow, CancelEscapeAndTheCloseBoxLeaveNoChoice) {
  const TSelectorMachine machine;
  const struct {
    const char* Name;
    void (*Leave)(HWND);
  } ways[] = {
      {"cancel button", [](HWND h) { Click(h, S::btnCancel); }},
      {"Escape", [](HWND h) { PressKey(h, S::cmbDSN, VK_ESCAPE); }},
      {"close box", [](HWND h) { CloseBox(h); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.Name);
    TfrmDSNSelector form;
    const int result = RunWithDriver([&] { return form.ShowModal(); },
                                     [&] {
                                       const HWND h = WaitForWindow(TfrmDSNSelector::ClassName);
                                       ASSERT_NE(h, nullptr);
                                       ChooseItem(h, S::cmbDSN, IndexOf(ComboItems(h, S::cmbDSN), "QLTeste_Sistema"));
                                       way.Leave(h);
                                     });
    EXPECT_EQ(result, Presentation::Views::mrCancel);
    EXPECT_EQ(form.SelectedDSN(), "");
  }
}

TEST(DSNSelectorWindow, WithoutDataSourcesOnlyCancellingCloses) {
  const Bootstrap::TServiceRegistration registration;
  const TNoDataSources none;
  TfrmDSNSelector form;
  const int result = RunWithDriver([&] { return form.ShowModal(); },
                                   [&] {
                                     const HWND h = WaitForWindow(TfrmDSNSelector::ClassName);
                                     ASSERT_NE(h, nullptr);
                                     EXPECT_TRUE(ComboItems(h, S::cmbDSN).empty());
                                     EXPECT_EQ(ComboSelection(h, S::cmbDSN), -1);
                                     SaveScreenshot(h, "dsn_selector_empty");

                                     for (const bool byKey : {false, true}) {
                                       SCOPED_TRACE(byKey ? "Enter" : "click");
                                       if (byKey)
                                         PressKey(h, S::cmbDSN, VK_RETURN);
                                       else
                                         Click(h, S::btnConfirm);
                                       const HWND box = WaitForWindow(L"#32770");
                                       ASSERT_NE(box, nullptr);
                                       EXPECT_EQ(GetWindow(box, GW_OWNER), h);
                                       EXPECT_EQ(ControlText(box, 0xFFFF), "Selecione um DSN para continuar");
                                       EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);  // a single OK button
                                       if (!byKey) SaveScreenshot(box, "dsn_selector_required");
                                       PostMessageW(box, WM_COMMAND, IDOK, 0);
                                       EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
                                       EXPECT_TRUE(IsWindowVisible(h));  // the selector stays open
                                     }
                                     Click(h, S::btnCancel);
                                   });
  EXPECT_EQ(result, Presentation::Views::mrCancel);
  EXPECT_EQ(form.SelectedDSN(), "");
}
