#include <windows.h>

#include <gtest/gtest.h>

#include "win_paths.h"

TEST(WinPaths, FolderOfAPathKeepsADriveRootWhole) {
    EXPECT_EQ(folderOfPath(L"C:\\pics\\a.jpg"), L"C:\\pics");
    EXPECT_EQ(folderOfPath(L"C:\\a.jpg"), L"C:\\");
    EXPECT_EQ(folderOfPath(L"\\\\server\\share\\a.jpg"), L"\\\\server\\share");
    EXPECT_EQ(folderOfPath(L"a.jpg"), L"a.jpg");
}
