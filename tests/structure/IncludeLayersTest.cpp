// The source folders stand in layers and every include runs downwards: base at the bottom, settings above it,
// stress, i18n, run and report above settings, the application on top.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The folders each folder may include besides itself. A folder missing from the map (the application) may include
// every other one.
const std::map<std::string, std::set<std::string>> kAllowedBelow = {
    {"base", {}},
    {"settings", {"base"}},
    {"stress", {"base", "settings"}},
    {"i18n", {"base", "settings"}},
    {"run", {"base", "settings", "stress", "i18n"}},
    {"report", {"base", "settings", "stress", "i18n", "run"}},
};

// The folder an include line names ("stress" for #include "stress/StressState.h"); empty for a system header or
// a line that is no include.
std::string IncludedFolder(const std::string& line) {
    const size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line.compare(hash, 8, "#include") != 0)
        return "";
    const size_t open = line.find('"', hash);
    const size_t slash = line.find('/', open);
    if (open == std::string::npos || slash == std::string::npos)
        return "";
    return line.substr(open + 1, slash - open - 1);
}

// Every include of the tree that runs upwards or sideways, as "file:line includes folder".
std::vector<std::string> IncludesAgainstTheLayers(const fs::path& sourceRoot) {
    std::vector<std::string> faults;
    for (const auto& entry : fs::recursive_directory_iterator(sourceRoot)) {
        if (!entry.is_regular_file())
            continue;
        const std::string folder = entry.path().parent_path().filename().string();
        const auto rule = kAllowedBelow.find(folder);
        if (rule == kAllowedBelow.end())
            continue;
        std::ifstream file(entry.path());
        std::string line;
        for (int number = 1; std::getline(file, line); ++number) {
            const std::string included = IncludedFolder(line);
            if (!included.empty() && included != folder && !rule->second.count(included))
                faults.push_back(folder + "/" + entry.path().filename().string() + ":" + std::to_string(number) +
                                 " includes " + included + "/");
        }
    }
    return faults;
}

}  // namespace

TEST(IncludeLayers, NoFolderIncludesAFolderAboveIt) {
    const fs::path sourceRoot = KV_SOURCE_ROOT;
    ASSERT_TRUE(fs::is_directory(sourceRoot / "stress")) << "no source tree at " << KV_SOURCE_ROOT;
    const std::vector<std::string> faults = IncludesAgainstTheLayers(sourceRoot);
    std::string list;
    for (const std::string& fault : faults)
        list += "\n  " + fault;
    EXPECT_TRUE(faults.empty()) << "includes against the layers:" << list;
}

TEST(IncludeLayers, TheCheckSeesAnIncludeAndItsFolder) {
    EXPECT_EQ(IncludedFolder("#include \"app/UiHandles.h\""), "app");
    EXPECT_EQ(IncludedFolder("  #include \"i18n/WideText.h\"  // bridge"), "i18n");
    EXPECT_EQ(IncludedFolder("#include <windows.h>"), "");
    EXPECT_EQ(IncludedFolder("#include \"Local.h\""), "");
    EXPECT_EQ(IncludedFolder("// #include \"app/UiHandles.h\""), "");
}
