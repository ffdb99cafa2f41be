#include <gtest/gtest.h>

#include <tormakelin_win32.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "test_support.h"

using namespace tormakelin::win32;

namespace {

const char kFilter[] = "Image Files (*.jpg;*.png)\0*.jpg;*.png\0All Files (*.*)\0*.*\0";

class OpenFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/openfileXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_existing = m_dir + "/Tex.PNG";
        std::ofstream(m_existing) << "png";
    }
    void TearDown() override {
        setDialogDriver(DialogDriver{});
        std::remove(m_existing.c_str());
        rmdir(m_dir.c_str());
    }

    // Answers with a path; records what the request carried.
    void answer(std::string const& path, bool pick = true) {
        DialogDriver driver;
        driver.onOpenFile = [this, path, pick](const OPENFILENAMEA& request, std::string& out) {
            m_filters = parseFilter(request.lpstrFilter);
            m_title = request.lpstrTitle ? request.lpstrTitle : "";
            out = path;
            return pick;
        };
        setDialogDriver(driver);
    }

    OPENFILENAMEA request(char* buffer, DWORD size, DWORD flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_READONLY) {
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof(ofn);
        ofn.lpstrFilter = kFilter;
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = size;
        ofn.lpstrTitle = "Import Resource";
        ofn.Flags = flags;
        return ofn;
    }

    std::string m_dir, m_existing, m_title;
    std::vector<std::pair<std::string, std::string>> m_filters;
};

}  // namespace

TEST_F(OpenFile, DriverPicksAnExistingFile) {
    answer(m_existing);
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn = request(file, MAX_PATH);
    ASSERT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), m_existing);
    EXPECT_EQ(std::string(file + ofn.nFileOffset), "Tex.PNG");
    EXPECT_EQ(std::string(file + ofn.nFileExtension), "PNG");
    ASSERT_EQ(m_filters.size(), 2u);
    EXPECT_EQ(m_filters[0].first, "Image Files (*.jpg;*.png)");
    EXPECT_EQ(m_filters[0].second, "*.jpg;*.png");
    EXPECT_EQ(m_filters[1].second, "*.*");
    EXPECT_EQ(m_title, "Import Resource");
}

TEST_F(OpenFile, MustExistFindsFilesIgnoringCaseAndSeparators) {
    std::string windowsStyle = m_dir + "\\tex.png";
    answer(windowsStyle);
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn = request(file, MAX_PATH);
    EXPECT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), windowsStyle) << "the path comes back as it was chosen";
}

TEST_F(OpenFile, MissingFileIsRefusedOnlyWhenItMustExist) {
    std::string missing = m_dir + "/nothing.png";
    answer(missing);
    char file[MAX_PATH] = "keep";
    OPENFILENAMEA ofn = request(file, MAX_PATH);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_INVALIDFILENAME));
    EXPECT_STREQ(file, "keep");
    ofn = request(file, MAX_PATH, OFN_EXPLORER);
    EXPECT_TRUE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(std::string(file), missing);
}

TEST_F(OpenFile, CancelLeavesTheBufferAlone) {
    answer(m_existing, false);
    char file[MAX_PATH] = "previous";
    OPENFILENAMEA ofn = request(file, MAX_PATH);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    EXPECT_STREQ(file, "previous");
}

TEST_F(OpenFile, LongPathNeverOverrunsTheBuffer) {
    std::string longPath = "C:\\" + std::string(400, 'd') + "\\file.png";
    answer(longPath);
    char storage[64 + 8];
    std::memset(storage, '#', sizeof(storage));
    OPENFILENAMEA ofn = request(storage, 64, OFN_EXPLORER);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
    WORD needed = 0;
    std::memcpy(&needed, storage, sizeof(needed));
    EXPECT_EQ(needed, longPath.size() + 1) << "the size needed, as the original reports it";
    for (size_t i = 64; i < sizeof(storage); ++i) EXPECT_EQ(storage[i], '#') << i;
}

TEST_F(OpenFile, ScriptedUserWorksTheOpenDialog) {
    struct Case {
        const char* name;
        bool chosen;
    } cases[] = {{"tex.png", true}, {"absent.png", false}};
    for (const Case& c : cases) {
        std::string shownTitle;
        DialogDriver driver;
        driver.onDialog = [&](HWND dialog, LPCSTR name) {
            EXPECT_STREQ(name, kOpenFileTemplate);
            char title[64];
            GetWindowTextA(dialog, title, sizeof(title));
            shownTitle = title;
            EXPECT_EQ(SendDlgItemMessageA(dialog, kOpenFileTypes, CB_GETCOUNT, 0, 0), 2);
            SetDlgItemTextA(dialog, kOpenFileFolder, m_dir.c_str());
            SendDlgItemMessageA(dialog, kOpenFileTypes, CB_SETCURSEL, 1, 0);
            SetDlgItemTextA(dialog, kOpenFileName, c.name);
            PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
        };
        setDialogDriver(driver);
        char file[MAX_PATH] = "";
        OPENFILENAMEA ofn = request(file, MAX_PATH);
        EXPECT_EQ(GetOpenFileNameA(&ofn), c.chosen) << c.name;
        EXPECT_EQ(shownTitle, "Import Resource");
        if (!c.chosen) continue;
        std::string expected = m_dir + "/tex.png";
        for (char& ch : expected)
            if (ch == '/') ch = '\\';
        EXPECT_EQ(std::string(file), expected) << "paths come back with backslashes";
        EXPECT_EQ(ofn.nFilterIndex, 2u);
    }
}

TEST_F(OpenFile, BadRequestsAndHeadlessRuns) {
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn = request(file, MAX_PATH);
    ofn.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
    ofn = request(nullptr, 0);
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_FALSE(GetOpenFileNameA(nullptr));
    ofn = request(file, MAX_PATH);
    EXPECT_FALSE(GetOpenFileNameA(&ofn)) << "without a driver or a display nobody can choose";
}

TEST(Filter, ParsesPairsAndStopsAtTheLimit) {
    auto pairs = parseFilter("A\0*.a\0B\0*.b\0\0ignored\0", 100);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].first, "B");
    EXPECT_EQ(pairs[1].second, "*.b");
    static const char unterminated[8] = {'A', 0, '*', '.', 'a', 0, 'B', 'B'};
    EXPECT_EQ(parseFilter(unterminated, sizeof(unterminated)).size(), 1u) << "a cut pair is dropped";
    EXPECT_TRUE(parseFilter("Only a description\0", 100).empty());
    EXPECT_TRUE(parseFilter(nullptr).empty());
}
