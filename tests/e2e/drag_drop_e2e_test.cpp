// Dragging with the real mouse from the real program to another program (this test): the current
// file dragged out with Ctrl+left drag, copied or moved away by the drop site. (Files dropped on the
// program go through its drop target, tested with the Viewer in tests/win.)
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.h"
#include "text.h"
#include "win/win_test_support.h"

using e2e::Glimvue;
using wintest::pumpUntil;

namespace {

const std::wstring kProduct = L" - Glimvue";

void mouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof input);
}

void key(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

std::vector<std::wstring> filesOf(IDataObject* data) {
    std::vector<std::wstring> paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) return paths;
    if (HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            paths.push_back(path);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return paths;
}

// Another program's window that takes dropped files: it copies them or moves them into a folder.
class FolderWindowTarget : public IDropTarget {
public:
    FolderWindowTarget(std::wstring folder, DWORD effect) : folder_(std::move(folder)), effect_(effect) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect &= effect_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        ++overs;
        *effect &= effect_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        offered = *effect;
        paths = filesOf(data);
        for (const std::wstring& path : paths) {
            const std::wstring into = folder_ + path.substr(path.rfind(L'\\'));
            if (effect_ == DROPEFFECT_MOVE) MoveFileW(path.c_str(), into.c_str());
            else CopyFileW(path.c_str(), into.c_str(), TRUE);
        }
        *effect &= effect_;
        dropped = true;
        return S_OK;
    }

    std::atomic<bool> dropped{false};
    std::atomic<int> overs{0};
    DWORD offered = 0;
    std::vector<std::wstring> paths;

private:
    std::wstring folder_;
    DWORD effect_;
};

// A top-level window of this test, far from the program's, registered for drops.
struct OtherProgramWindow {
    HWND window = nullptr;
    explicit OtherProgramWindow(IDropTarget* target) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"GlimvueE2EDropSite";
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassW(&windowClass);
        window = CreateWindowExW(WS_EX_TOPMOST, L"GlimvueE2EDropSite", L"", WS_POPUP | WS_VISIBLE, 900, 650, 250, 250,
                                 nullptr, nullptr, nullptr, nullptr);
        if (target) RegisterDragDrop(window, target);
        UpdateWindow(window);
    }
    ~OtherProgramWindow() {
        RevokeDragDrop(window);
        DestroyWindow(window);
    }
};

struct Dragging : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

// The program's window centre, in screen coordinates.
POINT centreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Ctrl+left drag from the program's picture to the drop site, in the steps of a hand.
void dragOutByHand(POINT from, POINT to, const std::atomic<bool>& stop) {
    mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x, from.y);
    Sleep(200);
    key(VK_CONTROL, true);
    Sleep(100);
    mouse(MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 10 && !stop; ++step) {
        Sleep(80);
        mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x + (to.x - from.x) * step / 10,
              from.y + (to.y - from.y) * step / 10);
    }
    Sleep(400);
    mouse(MOUSEEVENTF_LEFTUP);
    Sleep(100);
    key(VK_CONTROL, false);
}

}  // namespace

TEST_F(Dragging, CtrlDragCarriesTheCurrentFileOutCopiedOrMovedAway) {
    e2e::TempFolder pictures(L"dragout"), site(L"dragout-site");
    pictures.addBmp(L"a.bmp", 160, 120, 0x3366CC);
    pictures.addBmp(L"b.bmp", 160, 120, 0xCC6633);
    const std::string bytes = e2e::readBytes(pictures.file(L"a.bmp"));
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + pictures.path() + L"\" -noslide -notransitions"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"a.bmp") + kProduct; }));

    for (const DWORD effect : {DWORD(DROPEFFECT_COPY), DWORD(DROPEFFECT_MOVE)}) {
        SCOPED_TRACE(effect == DROPEFFECT_COPY ? "copied" : "moved");
        FolderWindowTarget target(site.path(), effect);
        OtherProgramWindow other(&target);
        Sleep(200);
        POINT to = centreOf(other.window);
        std::atomic<bool> stop{false};
        std::thread hand(dragOutByHand, centreOf(program.mainWindow()), to, std::cref(stop));
        const bool dropped = pumpUntil([&] { return target.dropped.load(); }, 15000);
        stop = true;
        hand.join();
        pumpUntil([] { return false; }, 300);
        ASSERT_TRUE(dropped) << "nothing was dropped on the other program";
        EXPECT_EQ(target.paths, std::vector<std::wstring>{pictures.file(L"a.bmp")});
        EXPECT_EQ(target.offered & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK),
                  DWORD(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
        EXPECT_EQ(e2e::readBytes(site.file(L"a.bmp")), bytes);
        if (effect == DROPEFFECT_COPY) {
            EXPECT_EQ(e2e::readBytes(pictures.file(L"a.bmp")), bytes);
            EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"a.bmp") + kProduct; }));
            DeleteFileW(site.file(L"a.bmp").c_str());
        } else {
            EXPECT_EQ(GetFileAttributesW(pictures.file(L"a.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
            // The file left the folder: its entry went, the next picture shows.
            EXPECT_TRUE(e2e::waitFor([&] { return program.caption() == pictures.file(L"b.bmp") + kProduct; }))
                << toUtf8(program.caption());
        }
    }
}
