// A test suite with the imaging library started and a temporary folder of its own for the files
// its tests write; `Tag::name` names the folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "decoding/picture_decoder.h"
#include "display/picture_targets.h"
#include "display/view_image.h"
#include "win/win_test_support.h"

namespace wintest {

// The tests' decoder processes: the built program, started as the program starts them.
inline PictureDecoder& testDecoder() {
    static PictureDecoder decoder(programPath(), 3);
    return decoder;
}

// Decodes `path` into `image` as the view does: whole, or at the size `rule` shows it.
inline bool loadPicture(ViewImage& image, const std::wstring& path, const ShownSizeRule& rule = {}) {
    DecodedPicture picture;
    if (testDecoder().decode(path, ViewTarget(rule), picture) != DecodeOutcome::Decoded) {
        image.release();
        return false;
    }
    return image.adoptDecoded(std::move(picture), path);
}

}  // namespace wintest

template <class Tag>
class ImagingFolderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        imaging_ = std::make_unique<wintest::Imaging>();
        ASSERT_TRUE(imaging_->ok());
        const std::string name = Tag::name;
        folder_ = std::make_unique<wintest::TempFolder>(L"glimvue-" + std::wstring(name.begin(), name.end()));
    }
    static void TearDownTestSuite() {
        folder_.reset();
        imaging_.reset();
    }
    static std::wstring at(const std::wstring& name) { return folder_->file(name); }

    static inline std::unique_ptr<wintest::Imaging> imaging_;
    static inline std::unique_ptr<wintest::TempFolder> folder_;
};
