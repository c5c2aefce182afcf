#pragma once
// What the pages of the Win32 face share: the run they belong to, the sheet
// they post to, and small helpers over dialog controls.

#include "engine/Settings.h"
#include "wizard/SavedSettings.h"
#include "wizard/pages/CompletionPage.h"
#include "wizard/pages/OutputPage.h"
#include "wizard/pages/PageRules.h"
#include "wizard/pages/ProgressPage.h"

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace face {

// Whether this build reads ACE files too: the welcome text and the file
// filter say so (flavour/*.cpp).
extern const bool kAceFiles;

// The property sheet of one page: both requests are posted to the page's parent.
class PostedSheet : public WizardSheet {
public:
    explicit PostedSheet(HWND page) : page_(page) {}
    void SetWizardButtons(unsigned mask) override;
    void PressButton(WizardPress button) override;

private:
    HWND page_;
};

// The progress page's controls, driven from the worker thread: every call is
// a message sent to a control of the page, so it has taken effect when the
// call returns. The run's display calls them a few dozen times a second at most.
class ProgressWindowControls : public ProgressControls {
public:
    explicit ProgressWindowControls(HWND page) : page_(page) {}
    void ShowFileText(std::string_view text) override;
    void ShowBar(int32_t range, int32_t position) override;
    void ShowTimes(std::string_view text) override;

private:
    HWND page_;
    int32_t range_ = -1;
};

// The clock of the progress page's display.
ProgressClock PageClock();

// The one wizard of the process: what the pages share beyond the settings record.
struct WizardRun {
    std::string ProgramPath;
    HINSTANCE Instance = nullptr;
    std::unique_ptr<PostedSheet> ProgressSheet;
    std::unique_ptr<ProgressPage> Progress;
    std::unique_ptr<ProgressWindowControls> Controls;
    HANDLE Worker = nullptr;
    bool CompletionShown = false;
    // A batch run that ended before converting: the program's exit status says so.
    bool Failed = false;
};
WizardRun& CurrentRun();

// On WM_INITDIALOG: keeps the settings record (the page parameter) in the
// window's user-data slot and returns it.
ConversionSettings& KeepSettings(HWND page, LPARAM initParam);
ConversionSettings* SettingsOf(HWND page);

// Answers a notification with result; the dialog procedure returns TRUE.
INT_PTR Answer(HWND page, LONG_PTR result);

std::string ItemText(HWND page, int id, std::size_t limit);
void SetItemText(HWND page, int id, std::string_view text);
bool IsChecked(HWND page, int id);
void SetChecked(HWND page, int id, bool checked);
void SetTitleFont(HWND page, const ConversionSettings& settings);
// Opens the help file beside the program.
void ShowHelp(HWND page);

// A combo box's drop-down as a recent list fills it.
class ComboList : public RecentListBox {
public:
    explicit ComboList(HWND combo) : combo_(combo) {}
    void AddString(std::string_view text) override;

private:
    HWND combo_;
};
void ShowChoice(HWND combo, const ListChoice& choice);

// The dialog procedures of the five pages.
INT_PTR CALLBACK WelcomeProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SourceProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OutputProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CompletionProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace face
