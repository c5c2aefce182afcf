#include "tests/wizard/win32/Driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace ui {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(50ms);
    }
}

namespace {

// The runtime's rules for splitting a command line, in reverse.
std::string Quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

} // namespace

Process::Process(const std::string& program, const std::vector<std::string>& args, const std::string& folder) {
    std::string line = Quoted(program);
    for (const std::string& arg : args)
        line += " " + Quoted(arg);
    // No standard handles: the program behaves as one started from a window.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info))
        return;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

Process::~Process() {
    if (!process_)
        return;
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

bool Process::WaitForExit(std::chrono::milliseconds timeout) {
    return process_ && WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

namespace {

struct WindowSearch {
    DWORD Process;
    const std::string* Caption;
    HWND Found;
};

BOOL CALLBACK TestWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->Process || !IsWindowVisible(window))
        return TRUE;
    if (!search->Caption->empty() && Caption(window) != *search->Caption)
        return TRUE;
    search->Found = window;
    return FALSE;
}

} // namespace

HWND FindTopWindow(DWORD process, const std::string& caption) {
    WindowSearch search{process, &caption, nullptr};
    EnumWindows(TestWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND WaitForSheet(const Process& program, std::chrono::milliseconds timeout) {
    HWND sheet = nullptr;
    WaitUntil(
        [&] {
            sheet = FindTopWindow(program.Id());
            return sheet != nullptr && CurrentPage(sheet) != nullptr;
        },
        timeout);
    return sheet;
}

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

std::string Caption(HWND window) { return Text(window); }

std::string Text(HWND window) {
    char buffer[8192] = {};
    const LRESULT length = SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

HWND Item(HWND window, int id) { return GetDlgItem(window, id); }

std::string ItemText(HWND page, int id) { return Text(Item(page, id)); }

bool Enabled(HWND sheet, int button) { return IsWindowEnabled(Item(sheet, button)) != FALSE; }

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void ClickItem(HWND page, int id) { Click(Item(page, id)); }

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void PressKey(HWND window, WPARAM key, bool alt) {
    const HWND target = FocusOf(window) != nullptr ? FocusOf(window) : window;
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    // Repeat count 1, the scan code, bit 29 for Alt held, bits 30-31 for a release.
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1L << 29) : 0);
    const LPARAM up = down | (1L << 30) | (1L << 31);
    PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
    PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, up);
}

namespace {

HWND EditOf(HWND box) {
    char name[32] = {};
    GetClassNameA(box, name, sizeof name);
    if (lstrcmpiA(name, "ComboBox") == 0) {
        if (HWND edit = FindWindowExA(box, nullptr, "Edit", nullptr))
            return edit;
    }
    return box;
}

} // namespace

void Type(HWND box, const std::string& text) {
    const HWND edit = EditOf(box);
    SendMessageA(edit, WM_SETFOCUS, 0, 0);
    for (unsigned char c : text)
        SendMessageA(edit, WM_CHAR, c, 1);
}

void ReplaceText(HWND box, const std::string& text) {
    const HWND edit = EditOf(box);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    Type(box, text);
}

void ClickListEntry(HWND list, int index) {
    const auto height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    const auto top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    const LPARAM point = MAKELPARAM(10, (index - top) * height + height / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list, WM_LBUTTONUP, 0, point);
}

int ListCount(HWND list) { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }

std::string ListText(HWND list, int index) {
    // Wine hands a list entry to another process in UTF-16 whatever the
    // form asked for, so ask for that form.
    wchar_t wide[1024] = {};
    const LRESULT length = SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide));
    if (length <= 0)
        return std::string();
    char narrow[4096] = {};
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), narrow, sizeof narrow, nullptr, nullptr);
    return std::string(narrow, bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
}

bool ListSelected(HWND list, int index) { return SendMessageA(list, LB_GETSEL, index, 0) > 0; }

void ChooseComboEntry(HWND page, int id, int index) {
    const HWND combo = Item(page, id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::string StatusResult(const std::string& statusFile) {
    char value[256] = {};
    GetPrivateProfileStringA("Varnex", "Result", "", value, sizeof value, statusFile.c_str());
    return value;
}

StatusWatch::StatusWatch(std::string statusFile) : file_(std::move(statusFile)) {
    InitializeCriticalSection(&lock_);
    thread_ = CreateThread(nullptr, 0, Poll, this, 0, nullptr);
}

StatusWatch::~StatusWatch() {
    InterlockedExchange(&stop_, 1);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI StatusWatch::Poll(LPVOID param) {
    auto* self = static_cast<StatusWatch*>(param);
    for (;;) {
        const bool last = InterlockedCompareExchange(&self->stop_, 0, 0) != 0;
        const std::string now = StatusResult(self->file_);
        EnterCriticalSection(&self->lock_);
        if (!now.empty() && (self->seen_.empty() || self->seen_.back() != now))
            self->seen_.push_back(now);
        LeaveCriticalSection(&self->lock_);
        if (last)
            return 0;
        Sleep(5);
    }
}

std::vector<std::string> StatusWatch::Passage() {
    EnterCriticalSection(&lock_);
    std::vector<std::string> copy = seen_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool Screenshot(HWND window, const std::string& name) {
    const char* folder = std::getenv("VARNEX_SCREENSHOTS");
    if (folder == nullptr || *folder == '\0')
        return true;
    RECT area = {};
    GetWindowRect(window, &area);
    // Let the window finish painting what it was just asked to show.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    const std::filesystem::path base = std::filesystem::path(folder) / name;
    std::filesystem::remove(base.string() + ".done");
    {
        std::ofstream want(base.string() + ".tmp");
        want << (area.right - area.left) << "x" << (area.bottom - area.top) << "+" << area.left << "+" << area.top
             << "\n";
    }
    std::filesystem::rename(base.string() + ".tmp", base.string() + ".want");
    return WaitUntil([&] { return std::filesystem::exists(base.string() + ".done"); }, 20s);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace ui
