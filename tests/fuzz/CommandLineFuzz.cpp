// Fuzz target: any UTF-16 units as a command line (a zero unit ends each argument) must parse without a fault,
// and what it accepts must keep the rules; every refusal must give a message with its places filled.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "i18n/LanguageTables.h"
#include "run/CommandLine.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

std::vector<std::u16string> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::u16string> arguments(1);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = char16_t(data[i] | data[i + 1] << 8);
        if (unit == 0)
            arguments.emplace_back();
        else
            arguments.back() += unit;
    }
    if (arguments.back().empty())
        arguments.pop_back();
    return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool loaded = LoadLanguageResource() == 1;
    Check(loaded);
    const CommandLineResult result = ParseCommandLine(Arguments(data, size));
    const CommandLine& options = result.options;
    if (result.error.problem != CommandLineProblem::None) {
        const std::u16string message = ComposeCommandLineMessage(result.error);
        Check(!message.empty());
        // The user's own text may hold "%1"; every place of the language string itself is filled.
        const std::u16string given = result.error.subject + result.error.value + result.error.allowed;
        if (given.find(u'%') == std::u16string::npos)
            Check(message.find(u"%1") == std::u16string::npos && message.find(u"%2") == std::u16string::npos);
        Check(message.find(result.error.subject) != std::u16string::npos);
        return 0;
    }
    if (options.usage) {
        Check(ComposeUsageText().find(u"/duration T") != std::u16string::npos);
        return 0;
    }
    Check(options.durationSeconds >= 0 && options.durationSeconds <= kMaxDurationSeconds);
    Check(options.cycleSeconds >= 0 && options.cycleSeconds <= kMaxDurationSeconds);
    Check(!options.exitWhenDone || options.durationSeconds > 0 || options.stopOnError);
    Check(!options.noGui || (options.start && options.exitWhenDone && !(options.loads & 1)));
    Check(!options.selfTest || (!options.start && options.loads == 0 && options.logPath.empty()));
    Check(options.loads >= 0 && options.loads < 16);
    Check(options.memorySize != MemorySizeChoice::Percent ||
          (options.memoryAmount >= 1 && options.memoryAmount <= kMaxMemoryPercent));
    Check(((options.unsupported & ~kAvailableFeatures) == 0) == UnavailableOption(options).empty());
    return 0;
}
