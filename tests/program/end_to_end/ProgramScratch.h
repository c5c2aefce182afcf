#pragma once
// The program run as a user runs it, from a scratch folder that holds bin/,
// home/, data/ and out/. The program is a private copy in bin/, so a settings
// file beside it is the test's alone; home/ stands for the user's home.

#include "tests/support/program/Harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// What the program writes for the fixtures with no settings file: no header
// line, text in double quotes with embedded quotes doubled, line breaks as
// spaces, commas kept.
inline const std::string kShopCustomersCsv = "1,\"Ann Lee\",\"Oslo\",\"likes \"\"tea\"\"\"\r\n"
                                             "2,\"Bo, Jr.\",,\"line1  line2\"\r\n"
                                             "3,\"Cy\",\"\",\r\n";
inline const std::string kShopOrdersCsv = "10,1,5\r\n11,2,-3\r\n";
inline const std::string kStockItemsCsv = "7,\"bolt\"\r\n8,\"nut\"\r\n";

class ProgramScratch : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"bin", "home", "data", "out"})
            std::filesystem::create_directories(scratch_ / folder);
        std::filesystem::copy_file(VARNEX_PROGRAM, program_);
        std::filesystem::permissions(program_, std::filesystem::perms::owner_all);
    }

    // Started in the scratch folder; `environment` adds to or replaces the
    // harness's fixed one.
    harness::RunResult Run(const std::vector<std::string>& args, const std::vector<std::string>& environment = {}) {
        return harness::Run(program_, args, scratch_.path(), scratch_ / "home", environment);
    }
    std::string Out(const std::string& name) const { return harness::ReadFile(scratch_ / ("out/" + name)); }
    std::string Status() const { return harness::ReadFile(scratch_ / "status.ini"); }
    std::string StatusOption() const { return "/STATUS=" + (scratch_ / "status.ini"); }

    harness::ScratchDir scratch_;
    const std::string program_ = scratch_ / "bin/varnex2007";
};
