// A test suite with the imaging library started and a temporary folder of its own for the files
// its tests write; `Tag::name` names the folder.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

template <class Tag>
class ImagingFolderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
        folder_ = std::filesystem::temp_directory_path() /
                  (std::string("glimvue-") + Tag::name + "-" + std::to_string(GetCurrentProcessId()));
        ASSERT_TRUE(std::filesystem::create_directory(folder_));
    }
    static void TearDownTestSuite() {
        Gdiplus::GdiplusShutdown(token_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    static std::wstring at(const std::wstring& name) { return (folder_ / name).wstring(); }

    static inline ULONG_PTR token_ = 0;
    static inline std::filesystem::path folder_;
};
