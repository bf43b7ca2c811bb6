#pragma once
// Driving the launcher's windows from a test: the window runs its modal loop
// (or the message loop) on the test's thread while a driver thread works its
// controls through messages, the way a user's clicks and keys arrive.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace TestSupport {

// Saves what the screen shows of AWindow as build/screenshots/<AName>.png.
// Answers the PNG's path (empty when the capture failed).
std::string SaveScreenshot(HWND AWindow, const std::string& AName);

// Runs the calling thread's messages until APredicate holds (checked every
// 10 ms) or ATimeoutMs has passed; false on time-out. For windows owned by
// the test's own thread.
bool PumpUntil(const std::function<bool()>& APredicate, uint32_t ATimeoutMs = 10000);

// Polls APredicate every 20 ms for up to ATimeoutMs; false on time-out.
bool WaitFor(const std::function<bool()>& APredicate, uint32_t ATimeoutMs = 10000);

// Runs ADriver on a thread of its own while the caller's thread runs AModal
// (a modal loop, or the program's message loop), and answers AModal's result.
// The driver must make AModal end; if it throws, its error fails the test.
int RunWithDriver(const std::function<int()>& AModal, const std::function<void()>& ADriver);

// The top-level windows of a process (0: this one) with the class name, shown or not.
std::vector<HWND> WindowsOf(DWORD AProcessId, const wchar_t* AClassName);
// The first visible one; nullptr when none appears within ATimeoutMs.
HWND WaitForWindow(const wchar_t* AClassName, uint32_t ATimeoutMs = 10000, DWORD AProcessId = 0);

// What a user does, through posted messages so that a handler that opens a
// modal window does not block the driver.
void Click(HWND AForm, int AControlId);
void TypeText(HWND AForm, int AControlId, const std::string& AText);  // replaces the text, character by character
void ChooseItem(HWND AForm, int AControlId, int AIndex);              // as if picked from the list
void PressKey(HWND AForm, int AControlId, WORD AVirtualKey);          // to the control with the focus
void CloseBox(HWND AForm);

// The first visible message box (dialog class) of this process, or nullptr.
HWND WaitForMessageBox(uint32_t ATimeoutMs = 10000);
// The text of a message box.
std::string MessageBoxText(HWND ABox);

// What a window shows.
std::string ControlText(HWND AForm, int AControlId);
bool ControlVisible(HWND AForm, int AControlId);
// The id of the control that has the focus on the window's thread (0: none).
int FocusedId(HWND AForm);
std::vector<std::string> ComboItems(HWND AForm, int AControlId);
int ComboSelection(HWND AForm, int AControlId);
std::string CueBanner(HWND AForm, int AControlId);
std::string WindowCaption(HWND AWindow);

}  // namespace TestSupport
