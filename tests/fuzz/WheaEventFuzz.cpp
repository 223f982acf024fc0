// Fuzz target: any bytes, read as UTF-16LE event XML, must parse or be refused without a fault, and whatever was
// read must stay within its bounds and describe itself as a terminated ASCII line.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "run/RunRecord.h"
#include "run/WheaEvent.h"

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string xml(size / 2, u'\0');
    for (size_t i = 0; i < xml.size(); ++i)
        xml[i] = char16_t(data[2 * i] | data[2 * i + 1] << 8);
    LoggedEvent event;
    ParseEventXml(xml, event);
    Check(event.data.size() <= kMaxEventDataFields);
    for (const auto& [name, value] : event.data)
        Check(name.size() <= kMaxEventTextUnits && value.size() <= kMaxEventTextUnits);
    const int32_t processor = EventProcessor(event);
    Check(processor >= -1);
    RunError error;
    DescribeHardwareError(event, error);
    const size_t length = strnlen(error.detail, sizeof(error.detail));
    Check(length < sizeof(error.detail));
    for (size_t i = 0; i < length; ++i)
        Check(error.detail[i] >= 0x20 && error.detail[i] < 0x7F);
    Check(error.source == ErrorSource::HardwareLog && error.processor == processor);
    return 0;
}
