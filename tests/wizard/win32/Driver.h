#pragma once
// Drives the wizard from another process as a user would: finds its windows,
// types into its boxes, clicks its buttons and list entries, reads its texts,
// and asks for screenshots of what it shows.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace ui {

using namespace std::chrono_literals;

// The property sheet's own buttons.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

// Polls until the condition holds; false after the timeout.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 20s);

// A program started by a test; killed when the object goes, if still running.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args, const std::string& folder);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    // True when the program ended within the timeout.
    bool WaitForExit(std::chrono::milliseconds timeout = 60s);
    bool Running() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A visible top-level window of the process with this caption (any caption
// when empty), or null.
HWND FindTopWindow(DWORD process, const std::string& caption = std::string());
// The wizard's sheet once it is shown, or null after the timeout.
HWND WaitForSheet(const Process& program, std::chrono::milliseconds timeout = 90s);

HWND CurrentPage(HWND sheet);
// The sheet's title, which is the current page's caption.
std::string Caption(HWND window);
std::string Text(HWND window);
std::string ItemText(HWND page, int id);
HWND Item(HWND window, int id);
bool Enabled(HWND sheet, int button);

// A press as the mouse gives it, posted: a button whose command opens a
// modal window does not hold up the driver.
void Click(HWND button);
void ClickItem(HWND page, int id);
// The control that has the keyboard focus in the window's thread, or null.
HWND FocusOf(HWND window);
// A key pressed and released as the keyboard gives it, posted to the control
// with the focus (with Alt held: the system-key messages).
void PressKey(HWND window, WPARAM key, bool alt = false);
// Characters typed one by one into an edit box or an editable combo box.
void Type(HWND box, const std::string& text);
void ReplaceText(HWND box, const std::string& text);
// A click on an entry of a list box.
void ClickListEntry(HWND list, int index);
int ListCount(HWND list);
std::string ListText(HWND list, int index);
bool ListSelected(HWND list, int index);
// Chooses a combo box entry as a user would from its drop-down.
void ChooseComboEntry(HWND page, int id, int index);

// The status file's Result ("" when there is none yet).
std::string StatusResult(const std::string& statusFile);
// Records every Result the status file takes, polled in the background.
class StatusWatch {
public:
    explicit StatusWatch(std::string statusFile);
    ~StatusWatch();
    StatusWatch(const StatusWatch&) = delete;
    StatusWatch& operator=(const StatusWatch&) = delete;
    std::vector<std::string> Passage();

private:
    std::string file_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<std::string> seen_;
    static DWORD WINAPI Poll(LPVOID self);
};

// Asks the screenshot helper for a picture of the window as name.png; does
// nothing when no helper was named (VARNEX_SCREENSHOTS). False when a helper
// was named but gave no picture.
bool Screenshot(HWND window, const std::string& name);

std::string ReadFile(const std::string& path);
std::vector<std::string> ListFolder(const std::string& folder);

} // namespace ui
