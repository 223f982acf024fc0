// The settings store on real files in a scratch folder: where the file lives, round trips and damaged files.
#include <gtest/gtest.h>

#include "settings/IniStore.h"
#include "support/Scratch.h"

namespace {

std::wstring Text(const wchar_t* text) {
    return text;
}

// Points IniPath at a file of the scratch folder with the given content.
std::wstring UseIniFile(const ScratchFolder& scratch, const std::string& content) {
    const std::wstring path = scratch.File(L"settings.ini");
    EXPECT_TRUE(WriteFileBytes(path, content));
    wcscpy(IniPath, path.c_str());
    return path;
}

}  // namespace

TEST(IniStore, WithoutAFileBesideTheProgramTheApplicationDataFolderGetsOne) {
    ScratchFolder scratch;
    const std::wstring appData = scratch.File(L"AppData");
    CreateDirectoryW(appData.c_str(), nullptr);

    ResolveIniPathFrom(scratch.File(L"kestrovane.exe").c_str(), appData.c_str());

    EXPECT_EQ(Text(IniPath), appData + L"\\Kestrovane\\Kestrovane.ini");
    EXPECT_NE(GetFileAttributesW(IniPath), INVALID_FILE_ATTRIBUTES) << "the empty settings file is created";
    EXPECT_EQ(ReadFileBytes(IniPath), "");
    EXPECT_EQ(ReadSetting(L"paint", 0), 0);
    EXPECT_EQ(ReadSetting(L"aggressiv", 1), 1);

    // A second start finds the folder and the file already there and keeps the file's content.
    ASSERT_TRUE(WriteSetting(L"hd", 1));
    ResolveIniPathFrom(scratch.File(L"kestrovane.exe").c_str(), appData.c_str());
    EXPECT_EQ(ReadSetting(L"hd", 0), 1);
}

TEST(IniStore, AFileBesideTheProgramTakesPrecedence) {
    ScratchFolder scratch;
    const std::wstring beside = scratch.File(L"kestrovane.ini");
    ASSERT_TRUE(WriteFileBytes(beside, "[Program]\r\nlng=7\r\n"));
    const std::wstring appData = scratch.File(L"AppData");

    ResolveIniPathFrom(scratch.File(L"kestrovane.exe").c_str(), appData.c_str());

    EXPECT_EQ(Text(IniPath), beside);
    EXPECT_EQ(ReadSetting(L"lng", 1), 7);
    EXPECT_EQ(GetFileAttributesW((appData + L"\\Kestrovane").c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing is created in the application-data folder";
}

TEST(IniStore, WithoutAnApplicationDataFolderTheProgramRunsOnDefaultsAndStoresNothing) {
    ScratchFolder scratch;
    ResolveIniPathFrom(scratch.File(L"kestrovane.exe").c_str(), nullptr);

    EXPECT_EQ(Text(IniPath), L"");
    EXPECT_EQ(ReadSetting(L"aggressiv", 1), 1);
    EXPECT_FALSE(WriteSetting(L"aggressiv", 0));
    EXPECT_EQ(ReadSetting(L"aggressiv", 1), 1);
}

TEST(IniStore, WritesGoThroughAtOnceIntoSectionProgram) {
    ScratchFolder scratch;
    const std::wstring path = UseIniFile(scratch, "");

    ASSERT_TRUE(WriteSetting(L"aggressiv", 0));
    EXPECT_EQ(ReadFileBytes(path), "[Program]\r\naggressiv=0\r\n");
    ASSERT_TRUE(WriteSetting(L"aggressiv", 1));
    EXPECT_EQ(ReadFileBytes(path), "[Program]\r\naggressiv=1\r\n");
    ASSERT_TRUE(WriteSetting(L"lng", -12));
    EXPECT_EQ(ReadSetting(L"lng", 0), -12);
    EXPECT_EQ(ReadSetting(L"aggressiv", 0), 1);
}

TEST(IniStore, ValuesReadLikeTextToLongAndAnEmptyValueMeansTheDefault) {
    ScratchFolder scratch;
    UseIniFile(
        scratch,
        "[Program]\r\nhd=7x\r\npaint=x7\r\nmem= -3\r\naggressiv=\r\nlng=99999999999\r\npaint_mode=-99999999999\r\n");

    EXPECT_EQ(ReadSetting(L"hd", 5), 7);
    EXPECT_EQ(ReadSetting(L"paint", 5), 0);
    EXPECT_EQ(ReadSetting(L"mem", 5), -3);
    EXPECT_EQ(ReadSetting(L"aggressiv", 5), 5);
    EXPECT_EQ(ReadSetting(L"lng", 5), 2147483647);
    EXPECT_EQ(ReadSetting(L"paint_mode", 5), -2147483647 - 1);
    EXPECT_EQ(ReadSetting(L"missing", 5), 5);
}

TEST(IniStore, ClampAppliesOnlyWhenBothBoundsAreGiven) {
    ScratchFolder scratch;
    const std::wstring path = UseIniFile(scratch, "[S]\r\nbig=50\r\nsmall=-50\r\n");

    EXPECT_EQ(ReadIniInt(L"S", L"big", 0, 0, 10, path.c_str()), 10);
    EXPECT_EQ(ReadIniInt(L"S", L"small", 0, 0, 10, path.c_str()), 0);
    EXPECT_EQ(ReadIniInt(L"S", L"big", 0, 20, 10, path.c_str()), 20) << "the minimum wins when the bounds cross";
    EXPECT_EQ(ReadIniInt(L"S", L"big", 0, -1, 10, path.c_str()), 50);
    EXPECT_EQ(ReadIniInt(L"S", L"big", 0, 0, -1, path.c_str()), 50);
}

TEST(IniStore, JunkLinesBinaryBytesAndLongValuesDoNoHarm) {
    ScratchFolder scratch;
    std::string junk = "garbage\r\n=\r\n[[[\r\n\x01\x02\x03\x80\x90\xff\r\n[Program]\r\nno equals sign\r\n";
    junk += "hd=1\r\n";
    junk += std::string("\0\0\x7f=5\r\n", 7);
    junk += "lng=" + std::string(5000, '9') + "\r\n";
    junk += "paint=" + std::string(3000, 'x') + "\r\n";
    UseIniFile(scratch, junk);

    EXPECT_EQ(ReadSetting(L"hd", 0), 1);
    EXPECT_EQ(ReadSetting(L"lng", 3), 2147483647);
    EXPECT_EQ(ReadSetting(L"paint", 3), 0);
    wchar_t longText[kIniTextCapacity] = {};
    EXPECT_EQ(ReadIniString(L"Program", L"paint", longText), kIniTextCapacity - 1) << "long values are cut";

    ASSERT_TRUE(WriteSetting(L"mem", 1));
    EXPECT_EQ(ReadSetting(L"mem", 0), 1);
    EXPECT_EQ(ReadSetting(L"hd", 0), 1) << "a write keeps the other keys";
}

TEST(IniStore, AFileThatOnlyLooksLikeUtf16YieldsDefaults) {
    ScratchFolder scratch;
    // FF FE makes the profile functions read the file as UTF-16, so these ANSI lines become nonsense.
    UseIniFile(scratch, "\xff\xfe[Program]\r\nhd=1\r\naggressiv=0\r\n\x01\x02");
    EXPECT_EQ(ReadSetting(L"hd", 0), 0);
    EXPECT_EQ(ReadSetting(L"aggressiv", 1), 1);
}

TEST(IniStore, ALockedFileYieldsDefaultsAndKeepsItsContent) {
    ScratchFolder scratch;
    const std::string content = "[Program]\r\nhd=1\r\n";
    const std::wstring path = UseIniFile(scratch, content);

    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteSetting(L"paint", 1));
    EXPECT_EQ(ReadSetting(L"hd", 4), 4) << "a file that cannot be read yields the default";
    CloseHandle(lock);
    EXPECT_EQ(ReadFileBytes(path), content);
    EXPECT_EQ(ReadSetting(L"hd", 0), 1);
}

TEST(IniStore, AReadOnlyFileStillReadsAndKeepsItsContent) {
    ScratchFolder scratch;
    const std::string content = "[Program]\r\nhd=1\r\n";
    const std::wstring path = UseIniFile(scratch, content);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(ReadSetting(L"hd", 0), 1);
    // Windows refuses to write a read-only file; Wine run as root maps the attribute to permission bits that
    // root ignores, so there the write goes through like on a writable file.
    HANDLE probe = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool readOnlyEnforced = probe == INVALID_HANDLE_VALUE;
    if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
    if (readOnlyEnforced) {
        EXPECT_FALSE(WriteSetting(L"paint", 1));
        EXPECT_EQ(ReadFileBytes(path), content);
    } else {
        EXPECT_TRUE(WriteSetting(L"paint", 1));
        EXPECT_EQ(ReadSetting(L"paint", 0), 1);
    }
    EXPECT_EQ(ReadSetting(L"hd", 0), 1);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
