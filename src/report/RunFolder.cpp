// Runs-folder names: composed and recognised strictly, so retention can never take a file the program did not
// write.
#include "report/RunFolder.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

namespace {

constexpr const char16_t* kExtensions[kRunFileKindCount] = {u".csv", u".json", u".html"};

void AppendDigits(std::u16string& text, int value, int width) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), char16_t(u'0' + value % 10));
        value /= 10;
    } while (value > 0);
    if (int(digits.size()) < width)
        text.append(size_t(width) - digits.size(), u'0');
    text += digits;
}

bool ReadDigits(std::u16string_view text, size_t at, size_t count, int& value) {
    value = 0;
    if (at + count > text.size())
        return false;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return false;
        value = value * 10 + (text[i] - u'0');
    }
    return true;
}

// Orders runs by start time, then suffix.
using RunKey = std::tuple<int64_t, int>;

}  // namespace

std::u16string RunFileStem(const CivilTime& start, int suffix) {
    std::u16string stem;
    AppendDigits(stem, start.year, 4);
    stem += u'-';
    AppendDigits(stem, start.month, 2);
    stem += u'-';
    AppendDigits(stem, start.day, 2);
    stem += u'_';
    AppendDigits(stem, start.hour, 2);
    stem += u'-';
    AppendDigits(stem, start.minute, 2);
    stem += u'-';
    AppendDigits(stem, start.second, 2);
    if (suffix > 1) {
        stem += u'_';
        AppendDigits(stem, suffix, 1);
    }
    return stem;
}

std::u16string RunFileNameOf(std::u16string_view stem, RunFileKind kind) {
    return std::u16string(stem) + kExtensions[int(kind)];
}

bool ParseRunFileName(std::u16string_view name, RunFileName& parsed) {
    // "YYYY-MM-DD_hh-mm-ss": fixed positions of the separators.
    constexpr size_t kStemLength = 19;
    if (name.size() < kStemLength + 4)
        return false;
    CivilTime start;
    if (!ReadDigits(name, 0, 4, start.year) || name[4] != u'-' || !ReadDigits(name, 5, 2, start.month) ||
        name[7] != u'-' || !ReadDigits(name, 8, 2, start.day) || name[10] != u'_' ||
        !ReadDigits(name, 11, 2, start.hour) || name[13] != u'-' || !ReadDigits(name, 14, 2, start.minute) ||
        name[16] != u'-' || !ReadDigits(name, 17, 2, start.second) || !IsValidCivil(start))
        return false;
    size_t at = kStemLength;
    int suffix = 1;
    if (name[at] == u'_') {
        size_t digits = 0;
        while (at + 1 + digits < name.size() && digits < 4 && name[at + 1 + digits] >= u'0' &&
               name[at + 1 + digits] <= u'9')
            ++digits;
        if (digits == 0 || digits > 3 || name[at + 1] == u'0' || !ReadDigits(name, at + 1, digits, suffix) ||
            suffix < 2)
            return false;
        at += 1 + digits;
    }
    for (int kind = 0; kind < kRunFileKindCount; ++kind) {
        if (name.substr(at) == kExtensions[kind]) {
            parsed = {start, suffix, RunFileKind(kind)};
            return true;
        }
    }
    return false;
}

std::u16string ChooseRunStem(const CivilTime& start, const std::vector<std::u16string>& folderNames) {
    const std::set<std::u16string_view> names(folderNames.begin(), folderNames.end());
    for (int suffix = 1; suffix <= kMaxRunSuffix; ++suffix) {
        const std::u16string stem = RunFileStem(start, suffix);
        bool taken = false;
        for (int kind = 0; kind < kRunFileKindCount && !taken; ++kind)
            taken = names.count(RunFileNameOf(stem, RunFileKind(kind))) != 0;
        if (!taken)
            return stem;
    }
    return {};
}

std::vector<std::u16string> RunFilesToDelete(const std::vector<std::u16string>& folderNames,
                                             std::u16string_view currentStem,
                                             int keep) {
    std::map<RunKey, std::vector<const std::u16string*>> runs;
    for (const std::u16string& name : folderNames) {
        RunFileName parsed;
        if (!ParseRunFileName(name, parsed))
            continue;
        if (name.size() > currentStem.size() &&
            std::u16string_view(name).substr(0, currentStem.size()) == currentStem && name[currentStem.size()] == u'.')
            continue;
        runs[RunKey(UnixFromCivil(parsed.start), parsed.suffix)].push_back(&name);
    }
    // The run being written counts as one of those kept.
    const int othersKept = currentStem.empty() ? keep : keep - 1;
    const size_t others = othersKept > 0 ? size_t(othersKept) : 0;
    std::vector<std::u16string> doomed;
    if (runs.size() <= others)
        return doomed;
    size_t toDrop = runs.size() - others;
    for (const auto& [key, names] : runs) {
        if (toDrop-- == 0)
            break;
        for (const std::u16string* name : names)
            doomed.push_back(*name);
    }
    return doomed;
}
