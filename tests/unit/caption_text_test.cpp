// Caption composition and the status-bar parts 0 to 4.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "display/caption_text.h"

TEST(CaptionText, NamesThePictureByTheSettings) {
    auto caption = [](const wchar_t* path, bool fullname, int zoom = 100, bool collage = false) {
        CaptionInput in;
        in.fullname = fullname, in.currentPath = path, in.productName = L"Glimvue";
        in.zoomPercent = zoom, in.collage = collage, in.shownWidth = 1000, in.shownHeight = 500;
        return composeCaption(in);
    };
    EXPECT_EQ(caption(L"C:\\pics\\a.b.jpg", false), L"a.b - Glimvue");
    EXPECT_EQ(caption(L"C:\\pics\\a.b.jpg", true), L"C:\\pics\\a.b.jpg - Glimvue");
    EXPECT_EQ(caption(L"C:\\pics\\sunset.jpg.LNK", false), L"*sunset.jpg - Glimvue");
    EXPECT_EQ(caption(L"C:\\pi.cs\\noext", false), L"noext - Glimvue");
    EXPECT_EQ(caption(L"C:\\a.jpg", false, 50), L"a - Glimvue (Zoom: 1000 x 500)");
    EXPECT_EQ(caption(L"C:\\a.jpg", false, 50, true), L"a - Glimvue");
    CaptionInput in{.title = true, .fullname = false, .collage = false, .pasted = true,
                    .currentPath = L"Clipboard.png", .buildRoot = L"C:\\pics", .productName = L"Glimvue"};
    EXPECT_EQ(composeCaption(in), L"Clipboard.png - Glimvue");
    in.exhibitEmpty = true;
    EXPECT_EQ(composeCaption(in), L"C:\\pics - Glimvue");
    in.title = false;
    EXPECT_EQ(composeCaption(in), L"Glimvue");
    // At most 127 characters; one outside the basic plane straddling the limit is dropped whole.
    EXPECT_EQ(trayTipText(std::wstring(126, L'x') + L"\U0001F600yy"), std::wstring(126, L'x'));
}

TEST(StatusText, PartsFollowTheirFormats) {
    EXPECT_EQ(fileSizePart(false, true, 3000000, L"KB", L"Not a file"), L"\t2929.69KB");
    EXPECT_EQ(fileSizePart(false, true, 1023, L"KB", L"Not a file"), L"\t1.00KB");  // carry
    EXPECT_EQ(fileSizePart(false, true, 0xFFFFFFFEu, L"KB", L"Not a file"), L"\t4194304.00KB");
    EXPECT_EQ(fileSizePart(false, false, 5, L"KB", L"Not a file") + fileSizePart(true, true, 5, L"KB", L"Not a file"),
              L"\t!KB\tNot a file");
    EXPECT_EQ(dimensionsPart(640, 480, 24), L"\t640x480x24");
    EXPECT_EQ(zoomPart(false, 0, 800, 75, 0, false) + zoomPart(false, 0, 800, 150, 150, false) +
                  zoomPart(false, 0, 800, 200, 150, true), L"\t75%\t!150%\t200%");
    EXPECT_EQ(zoomPart(true, 200, 800, 75, 150, false) + zoomPart(true, 50, 0, 75, 0, false), L"\t25%\t0%");
    EXPECT_EQ(scrollPart(false, L"Collage", false, false, 0, 250, 100), L"\t H:0 V:3");
    EXPECT_EQ(scrollPart(false, L"Collage", true, true, 200, -5, 100), L"\t H:3 V:0");
    EXPECT_EQ(scrollPart(false, L"Collage", true, false, 200, 200, 100), L"");
    EXPECT_EQ(scrollPart(false, L"Collage", false, false, 7, 0, 0), L"\t H:8 V:0");
    EXPECT_EQ(scrollPart(true, L"Collage", true, false, 200, 200, 100), L"\tCollage");
    EXPECT_EQ(positionPart(false, 0, 25) + positionPart(true, 3, 25), L"\t1/25\t?/25");
}

TEST(StatusText, DecimalPointIgnoresTheUserLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    for (const char* name : {"de_DE.UTF-8", "German_Germany.1252", ""})
        if (std::setlocale(LC_ALL, name)) break;
    EXPECT_EQ(fileSizePart(false, true, 1536, L"KB", L""), L"\t1.50KB");
    EXPECT_EQ(formatTwoDecimals(1005, 1000) + formatTwoDecimals(7, 0), L"1.010.00");  // half up
    std::setlocale(LC_ALL, saved.c_str());
}
