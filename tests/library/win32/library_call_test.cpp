// The library as a Windows program uses it: loaded at run time and called
// through the undecorated names of its export table.

#ifdef VARNEX_WIN32_LIBRARY

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

using ConverterStr = int32_t(__stdcall*)(int32_t, char*);
using Converter = int32_t(__stdcall*)(int32_t, int32_t, char* const*);

// FARPROC stands for any export; going through void* says so to the compiler.
template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(VARNEX_WIN32_LIBRARY);
        ASSERT_NE(module_, nullptr) << VARNEX_WIN32_LIBRARY;
        converterStr_ = Export<ConverterStr>(module_, "Varnex_ConverterStr");
        converter_ = Export<Converter>(module_, "Varnex_Converter");
        ASSERT_NE(converterStr_, nullptr);
        ASSERT_NE(converter_, nullptr);

        out_ = std::filesystem::temp_directory_path() / ("varnex-dll-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(out_);
    }
    void TearDown() override {
        if (module_ != nullptr)
            FreeLibrary(module_);
        std::error_code ignored;
        std::filesystem::remove_all(out_, ignored);
    }

    int32_t CallStr(std::string text) { return converterStr_(0, text.data()); }

    HMODULE module_ = nullptr;
    ConverterStr converterStr_ = nullptr;
    Converter converter_ = nullptr;
    std::filesystem::path out_;
};

TEST_F(LoadedLibrary, ConvertsTheSampleAndReportsMissingArguments) {
    const std::filesystem::path demo = std::filesystem::path(VARNEX_SOURCE_DIR) / "samples" / "demo.mdb";
    if (!std::filesystem::exists(demo))
        GTEST_SKIP() << "no sample database";

    EXPECT_EQ(CallStr("x#" + demo.string() + "#" + out_.string() + "#/HEADER"), 0);
    for (const char* table : {"Customers.csv", "Orders.csv", "Products.csv"}) {
        const std::string text = ReadFile(out_ / table);
        EXPECT_NE(text.find("\r\n"), std::string::npos) << table;
    }
    // The library's full stop for commas reaches text cells too.
    EXPECT_EQ(ReadFile(out_ / "Orders.csv").find("back door,"), std::string::npos);

    const std::string db = demo.string();
    char* onlyDatabase[] = {const_cast<char*>("x"), const_cast<char*>(db.c_str())};
    EXPECT_EQ(converter_(0, 2, onlyDatabase), 2);
    EXPECT_EQ(CallStr("x#" + out_.string()), 1);
    EXPECT_EQ(CallStr("x#" + (out_ / "missing.mdb").string() + "#" + out_.string()), 3);
}

} // namespace

#endif
