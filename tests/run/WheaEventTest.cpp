// The event XML reader on events as the event log renders them: WHEA logger errors of several kinds count with
// their processor, informational and foreign events do not, and broken or hostile text is refused safely.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "run/RunRecord.h"
#include "run/WheaEvent.h"

namespace {

// A corrected machine check on a processor core, in the form EvtRender gives (single quotes, namespace).
constexpr char16_t kCorrectedMachineCheck[] =
    u"<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System>"
    u"<Provider Name='Microsoft-Windows-WHEA-Logger' Guid='{c26c4f3c-3f66-4e99-8f8a-39405cfed220}'/>"
    u"<EventID>19</EventID><Version>0</Version><Level>3</Level><Task>0</Task><Opcode>0</Opcode>"
    u"<Keywords>0x8000000000000000</Keywords><TimeCreated SystemTime='2024-03-05T14:12:09.3456789Z'/>"
    u"<EventRecordID>48213</EventRecordID><Correlation ActivityID='{7d1f0a52-3c1e-4a36-9a3e-0f1b5a0c6e11}'/>"
    u"<Execution ProcessID='4' ThreadID='7312'/><Channel>System</Channel><Computer>BENCH-07</Computer>"
    u"<Security UserID='S-1-5-19'/></System><EventData>"
    u"<Data Name='ErrorSource'>1</Data><Data Name='ApicId'>4</Data><Data Name='MCABank'>0</Data>"
    u"<Data Name='MciStat'>0x90000040000f0005</Data><Data Name='MciAddr'>0x0</Data>"
    u"<Data Name='MciMisc'>0x0</Data><Data Name='ErrorType'>12</Data><Data Name='TransactionType'>256</Data>"
    u"</EventData></Event>";

// A corrected memory error with a prefix on every element, double quotes, a comment and an XML declaration.
constexpr char16_t kCorrectedMemoryError[] =
    u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<e:Event xmlns:e=\"http://schemas.microsoft.com/win/2004/"
    u"08/events/event\">\r\n  <e:System>\r\n    <e:Provider Name=\"Microsoft-Windows-WHEA-Logger\"/>\r\n"
    u"    <e:EventID Qualifiers=\"0\"> 47 </e:EventID>\r\n    <e:Level>3</e:Level>\r\n"
    u"    <e:TimeCreated SystemTime=\"2025-11-20T08:01:44.1000000Z\"/>\r\n  </e:System>\r\n"
    u"  <!-- rendered by a test -->\r\n  <e:EventData>\r\n    <e:Data Name=\"ErrorSource\">2</e:Data>\r\n"
    u"    <e:Data Name=\"PhysicalAddress\">0x1f3a2b000</e:Data>\r\n    <e:Data Name=\"Module\">3</e:Data>\r\n"
    u"    <e:Data Name=\"Note\">rank &lt;1&gt; &amp; bank &#x41;&#66;</e:Data>\r\n"
    u"  </e:EventData>\r\n</e:Event>\r\n";

// A fatal machine check that names the processor by its Windows number.
constexpr char16_t kFatalMachineCheck[] =
    u"<Event><System><Provider Name='Microsoft-Windows-WHEA-Logger'/><EventID>18</EventID><Level>2</Level>"
    u"</System><EventData><Data Name='ErrorSource'>3</Data><Data Name='ProcessorNumber'>0x0b</Data>"
    u"<Data Name='ApicId'>22</Data></EventData></Event>";

// The error source starting up: informational, not an error.
constexpr char16_t kInformational[] =
    u"<Event><System><Provider Name='Microsoft-Windows-WHEA-Logger'/><EventID>3</EventID><Level>4</Level>"
    u"</System><EventData/></Event>";

// Another provider's warning in the same channel.
constexpr char16_t kServiceWarning[] =
    u"<Event><System><Provider Name='Service Control Manager'/><EventID>7036</EventID><Level>3</Level>"
    u"</System><EventData><Data Name='param1'>Windows Update</Data></EventData></Event>";

LoggedEvent Parsed(std::u16string_view xml) {
    LoggedEvent event;
    EXPECT_TRUE(ParseEventXml(xml, event));
    return event;
}

}  // namespace

TEST(WheaEvent, HardwareErrorsOfTheLoggerCountWithTheirIdAndProcessor) {
    const LoggedEvent machineCheck = Parsed(kCorrectedMachineCheck);
    EXPECT_EQ(machineCheck.eventId, 19);
    EXPECT_EQ(machineCheck.level, 3);
    EXPECT_EQ(machineCheck.systemTime, u"2024-03-05T14:12:09.3456789Z");
    ASSERT_EQ(machineCheck.data.size(), 8u);
    EXPECT_EQ(machineCheck.data[3].first, u"MciStat");
    EXPECT_EQ(machineCheck.data[3].second, u"0x90000040000f0005");
    EXPECT_TRUE(IsHardwareErrorEvent(machineCheck));
    RunError error;
    DescribeHardwareError(machineCheck, error);
    EXPECT_EQ(error.source, ErrorSource::HardwareLog);
    EXPECT_EQ(error.processor, 4);
    EXPECT_EQ(error.actual, 19u);
    EXPECT_EQ(std::string(error.detail).rfind("hardware error log: WHEA-Logger event 19 (corrected) at 2024", 0), 0u)
        << error.detail;
    EXPECT_NE(std::string(error.detail).find("MciStat 0x90000040000f0005"), std::string::npos) << error.detail;

    const LoggedEvent memory = Parsed(kCorrectedMemoryError);
    EXPECT_EQ(memory.eventId, 47);
    EXPECT_TRUE(IsHardwareErrorEvent(memory));
    EXPECT_EQ(EventProcessor(memory), -1) << "a memory error names no processor";
    ASSERT_EQ(memory.data.size(), 4u);
    EXPECT_EQ(memory.data[3].second, u"rank <1> & bank AB");

    const LoggedEvent fatal = Parsed(kFatalMachineCheck);
    EXPECT_TRUE(IsHardwareErrorEvent(fatal));
    EXPECT_EQ(EventProcessor(fatal), 11) << "the Windows number wins over the APIC id";
    DescribeHardwareError(fatal, error);
    EXPECT_NE(std::string(error.detail).find("(uncorrected)"), std::string::npos) << error.detail;
}

TEST(WheaEvent, InformationalAndForeignEventsAreNotErrors) {
    EXPECT_FALSE(IsHardwareErrorEvent(Parsed(kInformational)));
    const LoggedEvent service = Parsed(kServiceWarning);
    EXPECT_EQ(service.eventId, 7036);
    EXPECT_FALSE(IsHardwareErrorEvent(service));
}

TEST(WheaEvent, BrokenOrHostileTextIsRefusedAndBounded) {
    const std::u16string machineCheck = kCorrectedMachineCheck;
    const struct {
        std::u16string xml;
        const char* why;
    } refused[] = {
        {u"", "empty"},
        {u"<System><EventID>19</EventID></System>", "no Event element"},
        {machineCheck.substr(0, machineCheck.size() / 2), "cut in the middle"},
        {u"<Event><System></Event></System>", "crossed tags"},
        {u"<Event><System><Provider Name='x/></System></Event>", "unterminated quote"},
        {u"<Event><!-- never closed </Event>", "unterminated comment"},
        {u"<Event></Event><Event></Event>", "two events"},
        {std::u16string(40, u'<'), "only angle brackets"},
    };
    for (const auto& [xml, why] : refused) {
        LoggedEvent event;
        EXPECT_FALSE(ParseEventXml(xml, event)) << why;
    }

    std::u16string deep = u"<Event>";
    for (int i = 0; i < 100; ++i)
        deep += u"<a>";
    LoggedEvent event;
    EXPECT_FALSE(ParseEventXml(deep, event)) << "nesting has a limit";

    // A huge value is cut, a huge number of fields is capped, a number beyond 31 bits is no number.
    std::u16string many =
        u"<Event><System><Provider Name='Microsoft-Windows-WHEA-Logger'/><Level>2</Level>"
        u"<EventID>99999999999</EventID></System><EventData>";
    many += u"<Data Name='ApicId'>" + std::u16string(5000, u'7') + u"</Data>";
    for (int i = 0; i < 200; ++i)
        many += u"<Data Name='F'>&#x1F600;&#xD800;&#1114112;&bogus;</Data>";
    many += u"</EventData></Event>";
    ASSERT_TRUE(ParseEventXml(many, event));
    EXPECT_EQ(event.eventId, -1);
    EXPECT_EQ(event.data.size(), kMaxEventDataFields);
    EXPECT_EQ(event.data[0].second.size(), kMaxEventTextUnits);
    EXPECT_EQ(event.data[1].second, u"\U0001F600\uFFFD\uFFFD&bogus;");
    EXPECT_EQ(EventProcessor(event), -1);
    RunError error;
    DescribeHardwareError(event, error);
    EXPECT_LT(std::strlen(error.detail), sizeof(error.detail));
}
