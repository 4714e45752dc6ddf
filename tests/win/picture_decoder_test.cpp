// The decoder processes on real files: a decoder that crashes, hangs, runs away with memory, exits
// or is killed from outside costs one picture, and a fresh one decodes the next; a cancelled or
// shut-down decoder never keeps its caller waiting.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "decoding/checked_stream.h"
#include "win/imaging_fixture.h"

namespace {

using wintest::writeFile;

struct DecoderTestTag {
    static constexpr const char* name = "dec";
};

class PictureDecoderTest : public ImagingFolderTest<DecoderTestTag> {
protected:
    // A decoder of its own with the test faults on (the shared one may have started without); its
    // processes, and every one started after it, take the variable from this process.
    static PictureDecoder& faulty() {
        static PictureDecoder decoder = (SetEnvironmentVariableW(L"GLIMVUE_DECODER_FAULTS", L"1"), PictureDecoder(wintest::programPath(), 2));
        return decoder;
    }
    static DecodeOutcome decode(PictureDecoder& decoder, const std::wstring& name, const std::atomic<bool>* cancel = nullptr) {
        DecodedPicture picture;
        const DecodeOutcome outcome = decoder.decode(at(name), ViewTarget(ShownSizeRule{}), picture, cancel);
        EXPECT_EQ(outcome == DecodeOutcome::Decoded, static_cast<bool>(picture)) << "pixels only with a decoded picture";
        return outcome;
    }
    static bool ended(DWORD processId) {
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        if (!process) return true;
        const bool gone = WaitForSingleObject(process, 5000) == WAIT_OBJECT_0;
        CloseHandle(process);
        return gone;
    }
};

TEST_F(PictureDecoderTest, AFailingDecoderCostsOnePictureAndAFreshOneDecodesTheNext) {
    ASSERT_TRUE(wintest::writePatternImage(at(L"good.png"), 30, 20));
    PictureDecoder& decoder = faulty();
    ASSERT_EQ(decode(decoder, L"good.png"), DecodeOutcome::Decoded);
    for (const char* fault : {"crash", "exit", "hog", "hang"}) {
        SCOPED_TRACE(fault);
        const std::wstring name = std::wstring(fault, fault + std::strlen(fault)) + L".png";
        ASSERT_TRUE(writeFile(at(name), std::string("GLIMVUE-FAULT:") + fault));
        const unsigned failures = decoder.failures();
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(decode(decoder, name), DecodeOutcome::Unreadable);
        EXPECT_LT(GetTickCount64() - start, 20000u) << "given up within its time limit";
        EXPECT_EQ(decoder.failures(), failures + 1);
        EXPECT_EQ(decode(decoder, L"good.png"), DecodeOutcome::Decoded) << "the next picture after a failure";
    }
    // A file that simply does not decode costs no decoder.
    ASSERT_TRUE(writeFile(at(L"text.png"), "not a picture at all"));
    const unsigned failures = decoder.failures();
    EXPECT_EQ(decode(decoder, L"text.png"), DecodeOutcome::Unreadable);
    EXPECT_EQ(decoder.failures(), failures);
}

TEST_F(PictureDecoderTest, KilledFromOutsideOrCancelledTheCallerGoesOnAtOnce) {
    ASSERT_TRUE(wintest::writePatternImage(at(L"next.png"), 30, 20));
    ASSERT_TRUE(writeFile(at(L"stall.png"), "GLIMVUE-FAULT:hang"));
    PictureDecoder& decoder = faulty();
    ASSERT_EQ(decode(decoder, L"next.png"), DecodeOutcome::Decoded);

    // Killed while it decodes: the caller hears of it at once, not at the time limit.
    std::atomic<bool> done{false};
    DecodeOutcome outcome = DecodeOutcome::Decoded;
    std::thread caller([&] {
        outcome = decode(decoder, L"stall.png");
        done = true;
    });
    Sleep(1000);
    ULONGLONG start = GetTickCount64();
    for (const DWORD id : decoder.processIds()) {
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 9);
            CloseHandle(process);
        }
    }
    caller.join();
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(outcome, DecodeOutcome::Unreadable);
    EXPECT_EQ(decode(decoder, L"next.png"), DecodeOutcome::Decoded);

    // Cancelled: the decoder is ended and the caller told so.
    std::atomic<bool> cancel{false};
    caller = std::thread([&] { outcome = decode(decoder, L"stall.png", &cancel); });
    Sleep(500);
    start = GetTickCount64();
    cancel = true;
    caller.join();
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_EQ(outcome, DecodeOutcome::Cancelled);
    EXPECT_EQ(decode(decoder, L"next.png"), DecodeOutcome::Decoded);
}

TEST_F(PictureDecoderTest, ShutDownEndsEveryDecoderProcess) {
    ASSERT_TRUE(wintest::writePatternImage(at(L"one.png"), 30, 20));
    PictureDecoder decoder(wintest::programPath(), 2);
    ASSERT_EQ(decode(decoder, L"one.png"), DecodeOutcome::Decoded);
    const std::vector<DWORD> ids = decoder.processIds();
    ASSERT_FALSE(ids.empty());
    decoder.shutDown();
    for (const DWORD id : ids) EXPECT_TRUE(ended(id)) << id;
    EXPECT_EQ(decode(decoder, L"one.png"), DecodeOutcome::Cancelled);
}

// The decoders' stream never reads outside the bytes it was given, wherever a header points.
TEST(CheckedStream, SeeksAnywhereButReadsOnlyTheBytesThereAre) {
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
    const ComPtr<IStream> stream(createCheckedStream(bytes));
    unsigned char buffer[8] = {};
    ULONG read = 0;
    LARGE_INTEGER to{};
    ULARGE_INTEGER at{};
    to.QuadPart = 0x7FFFFF30;  // far past the end: allowed, and nothing is read there
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_SET, &at), S_OK);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 0u);
    to.QuadPart = -2;
    EXPECT_EQ(stream->Seek(to, STREAM_SEEK_END, &at), S_OK);
    EXPECT_EQ(stream->Read(buffer, 8, &read), S_FALSE);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(buffer[0], 4);
    to.QuadPart = -1;
    EXPECT_NE(stream->Seek(to, STREAM_SEEK_SET, &at), S_OK) << "before the start";
    to.QuadPart = INT64_MAX;
    EXPECT_NE(stream->Seek(to, STREAM_SEEK_END, &at), S_OK) << "past what a position can hold";
    ULONG written = 1;
    EXPECT_NE(stream->Write(buffer, 1, &written), S_OK);
    EXPECT_EQ(written, 0u);
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 5u);
}

}  // namespace
