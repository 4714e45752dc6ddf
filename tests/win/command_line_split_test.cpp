// The pure command-line splitter must agree with the platform's own CommandLineToArgvW.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "command_line.h"

TEST(CommandLineSplit, AgreesWithCommandLineToArgvW) {
    const wchar_t* lines[] = {
        L"Glimvue.exe",
        L"\"C:\\Program Files\\Glimvue.exe\" -noslide",
        L"Glimvue.exe \"C:\\pics\\\" -t3000",
        L"Glimvue.exe a\\\\\"b c\" d",
        L"Glimvue.exe a\\\\\\\"b c",
        L"Glimvue.exe \"\" x",
        L"Glimvue.exe \"a\"\"b\" c",
        L"Glimvue.exe   many    blanks\tand\ttabs  ",
        L"Glimvue.exe \"unterminated quote",
        L"Glimvue.exe C:\\dir.ini\\x.jpg",
    };
    for (const wchar_t* line : lines) {
        int count = 0;
        LPWSTR* argv = CommandLineToArgvW(line, &count);
        ASSERT_NE(argv, nullptr);
        std::vector<std::wstring> platform(argv, argv + count);
        LocalFree(argv);
        const std::vector<std::wstring> ours = splitCommandLine(line);
        // Element 0 (the program) is skipped by the program; compare the arguments.
        ASSERT_FALSE(ours.empty());
        EXPECT_EQ(std::vector<std::wstring>(ours.begin() + 1, ours.end()),
                  std::vector<std::wstring>(platform.begin() + 1, platform.end()))
            << "line: " << std::string(line, line + wcslen(line));
    }
}
