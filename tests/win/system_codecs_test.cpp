// The system's codecs on real files: which extensions their decoders take, and DDS pictures (which
// Wine's imaging component decodes, as Windows' does) decoded whole, scaled, turned and refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <memory>
#include <vector>

#include "decoding/decoder_host.h"
#include "core/text.h"
#include "decoding/system_codecs.h"
#include "win/imaging_fixture.h"

namespace {

using wintest::ddsBytes;
using wintest::writeFile;

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

// 8 x 4: a red block on the left, a blue one on the right.
std::string redBlue() { return ddsBytes(8, 4, [](int column, int) { return column == 0 ? kRed : kBlue; }); }

struct SystemCodecsTag {
    static constexpr const char* name = "wic";
};
class SystemCodecsTest : public ImagingFolderTest<SystemCodecsTag> {};

bool contains(const std::vector<std::wstring>& list, const wchar_t* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

}  // namespace

TEST_F(SystemCodecsTest, TheInstalledDecodersGiveTheirExtensionsOnAThreadOfTheirOwn) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<std::wstring> found = systemExtensionsFrom(enumerateDecoderExtensionLists());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    std::cout << "[ measured ] enumerating the system's decoders took " << took.count() << " ms; " << found.size()
              << " extensions beyond the program's own\n";
    EXPECT_TRUE(contains(found, L".dds"));
    EXPECT_FALSE(contains(found, L".jpg"));
    EXPECT_FALSE(contains(found, L".png"));

    const auto shared = systemImageExtensions();
    ASSERT_TRUE(shared);
    EXPECT_EQ(systemImageExtensions().get(), shared.get()) << "one list for the run";
    ASSERT_TRUE(shared->waitUntilKnown(std::chrono::seconds(20)));
    EXPECT_EQ(shared->extensions(), found);
}

TEST_F(SystemCodecsTest, ADdsPictureDecodesThroughTheDecoderProcessAndABrokenOneIsUnreadable) {
    writeFile(at(L"rb.dds"), redBlue());
    ViewImage image;
    ASSERT_TRUE(wintest::loadPicture(image, at(L"rb.dds")));
    EXPECT_EQ(image.naturalWidth(), 8);
    EXPECT_EQ(image.naturalHeight(), 4);
    EXPECT_EQ(image.orientation, 1u);

    // Cut inside its blocks, with a header claiming a picture of 256 megapixels, or a header alone:
    // nothing decodes, and the program's decoder goes on.
    std::string cut = redBlue();
    cut.resize(cut.size() - 5);
    std::string huge = redBlue();
    huge[12] = huge[16] = 0, huge[14] = huge[18] = 1;  // 65536 x 65536
    for (const auto& [name, bytes] : {std::pair{L"cut.dds", cut}, {L"huge.dds", huge}, {L"header.dds", redBlue().substr(0, 128)}}) {
        writeFile(at(name), bytes);
        EXPECT_FALSE(wintest::loadPicture(image, at(name))) << "decoded " << toUtf8(name);
    }
    EXPECT_TRUE(wintest::loadPicture(image, at(L"rb.dds")));
}

TEST_F(SystemCodecsTest, TheDecoderCopiesScalesAndTurnsTheFrameAsAsked) {
    writeFile(at(L"turn.dds"), redBlue());
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PictureDecodeSession session;
    // The pixels of one render, without their alpha.
    auto render = [&](decoding::RenderKind kind, int w, int h, int rotateFlip, std::vector<std::uint32_t>& out) {
        auto reply = std::make_unique<decoding::Reply>();
        if (session.open(at(L"turn.dds"), 0, 0, *reply) != decoding::ReplyStatus::Ok) return false;
        EXPECT_EQ(reply->naturalWidth, 8);
        const std::uint64_t bytes = static_cast<std::uint64_t>(w) * h * 4;
        const HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(bytes), nullptr);
        auto request = std::make_unique<decoding::Request>();
        request->phase = decoding::Phase::Render;
        request->kind = kind;
        request->width = w, request->height = h, request->rotateFlip = rotateFlip, request->sectionBytes = bytes;
        const bool made = session.render(*request, section) == decoding::ReplyStatus::Ok;
        const auto* pixels = static_cast<const std::uint32_t*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0));
        out.assign(pixels, pixels + w * h);
        for (std::uint32_t& p : out) p &= 0xFFFFFF;
        UnmapViewOfFile(pixels);
        CloseHandle(section);
        return made;
    };
    // Each render, and the colours it gives at its first and last pixels.
    const struct {
        decoding::RenderKind kind;
        int w, h, rotateFlip;
        std::uint32_t first, last;
        const char* what;
    } renders[] = {
        {decoding::RenderKind::Copy, 8, 4, 0, kRed, kBlue, "copied"},
        {decoding::RenderKind::DrawOpaque, 4, 2, 0, kRed, kBlue, "scaled to half"},
        {decoding::RenderKind::DrawOpaque, 4, 8, 1, kRed, kBlue, "a quarter turn clockwise"},
        {decoding::RenderKind::DrawOpaque, 8, 4, 4, kBlue, kRed, "mirrored"},
        {decoding::RenderKind::DrawOpaque, 2, 4, 7, kBlue, kRed, "three quarters, then mirrored, at half"},
    };
    std::vector<std::uint32_t> p;
    for (const auto& r : renders) {
        ASSERT_TRUE(render(r.kind, r.w, r.h, r.rotateFlip, p)) << r.what;
        EXPECT_EQ(p.front(), r.first) << r.what;
        EXPECT_EQ(p.back(), r.last) << r.what;
    }
    // A copy asked at another size or turned, or a picture drawn onto transparency, is no request
    // for a decoded raster picture.
    EXPECT_FALSE(render(decoding::RenderKind::Copy, 4, 2, 0, p));
    EXPECT_FALSE(render(decoding::RenderKind::DrawTransparent, 8, 4, 0, p));
    session.close();
    if (SUCCEEDED(com)) CoUninitialize();
}
