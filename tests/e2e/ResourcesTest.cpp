// The resources inside the built kestrovane.exe: class name string, the icon in every size, the manifest and
// the version information that Explorer's properties show.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "e2e/E2eSupport.h"

namespace {

class ResourcesTest : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(BuiltProgramPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << "cannot load kestrovane.exe for its resources";
    }
    void TearDown() override {
        if (module_)
            FreeLibrary(module_);
    }

    std::string Resource(const wchar_t* type, const wchar_t* name) {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found)
            return {};
        HGLOBAL loaded = LoadResource(module_, found);
        const auto* bytes = static_cast<const char*>(LockResource(loaded));
        return bytes ? std::string(bytes, SizeofResource(module_, found)) : std::string();
    }

    std::wstring VersionValue(const std::vector<char>& info, const wchar_t* name) {
        void* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || !value)
            return L"<missing>";
        return static_cast<const wchar_t*>(value);
    }

    HMODULE module_ = nullptr;
};

}  // namespace

TEST_F(ResourcesTest, String103NamesTheWindowClass) {
    wchar_t text[100] = {};
    EXPECT_EQ(LoadStringW(module_, 103, text, 100), 10);
    EXPECT_STREQ(text, L"Kestrovane");
}

TEST_F(ResourcesTest, Icon107HoldsA16A32AndA48PixelImage) {
    std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(107));
    ASSERT_FALSE(group.empty()) << "no icon 107";
    auto* directory = reinterpret_cast<BYTE*>(group.data());
    for (int size : {16, 32, 48}) {
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0) << size;
        const std::string image = Resource(RT_ICON, MAKEINTRESOURCEW(id));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER)) << size;
        BITMAPINFOHEADER header;
        memcpy(&header, image.data(), sizeof(header));
        EXPECT_EQ(header.biWidth, size);
        EXPECT_EQ(header.biHeight, 2 * size) << "colour and mask";
        EXPECT_EQ(header.biBitCount, 32);
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(image.data())),
                                              DWORD(image.size()), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << size;
        DestroyIcon(icon);
    }
}

TEST_F(ResourcesTest, TheManifestBindsCommonControls6AndRunsAsInvoker) {
    const std::string manifest = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty()) << "no application manifest";
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
}

// What Explorer's properties of the file show, read the way Explorer reads it.
TEST_F(ResourcesTest, TheVersionNamesTheProductVersion491AndTheCopyright) {
    const std::wstring path = BuiltProgramPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    EXPECT_EQ(VersionValue(info, L"ProductName"), L"Kestrovane");
    EXPECT_EQ(VersionValue(info, L"ProductVersion"), L"4.91");
    EXPECT_EQ(VersionValue(info, L"FileVersion"), L"4.91");
    EXPECT_EQ(VersionValue(info, L"FileDescription"), L"Kestrovane stress test");
    EXPECT_EQ(VersionValue(info, L"OriginalFilename"), L"kestrovane.exe");
    EXPECT_EQ(VersionValue(info, L"LegalCopyright"), L"Copyright (c) 2026 the Kestrovane authors");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, DWORD(MAKELONG(91, 4)));
}
