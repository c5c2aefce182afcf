#pragma once
// The source page's password box and its sorted multiple-selection list, as
// loading a database fills them.

#include <string>
#include <string_view>

class TableListWindow {
public:
    virtual ~TableListWindow() = default;
    virtual void* Handle() const = 0;
    virtual std::string PasswordText() const = 0; // at most 259 bytes
    virtual void ResetContent() = 0;
    virtual void AddString(std::string_view name) = 0;
    virtual void SelectAll() = 0;
};
