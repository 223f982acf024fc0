// A small, bounded reader for the XML of one event-log event; it never trusts the text it is given.
#include "run/WheaEvent.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "run/RunRecord.h"

namespace {

constexpr size_t kMaxDepth = 32;
constexpr char16_t kWheaProvider[] = u"Microsoft-Windows-WHEA-Logger";

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsNameUnit(char16_t c) {
    return !IsSpace(c) && c != u'<' && c != u'>' && c != u'/' && c != u'=' && c != u'"' && c != u'\'' && c != u'?' &&
           c != u'!';
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// "e:Event" and "Event" are the same element.
std::u16string_view LocalName(std::u16string_view name) {
    const size_t colon = name.rfind(u':');
    return colon == std::u16string_view::npos ? name : name.substr(colon + 1);
}

void AppendCodePoint(std::u16string& out, uint32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += u'\uFFFD';
    } else if (code >= 0x10000) {
        code -= 0x10000;
        out += char16_t(0xD800 + (code >> 10));
        out += char16_t(0xDC00 + (code & 0x3FF));
    } else {
        out += char16_t(code);
    }
}

// A character reference or one of the five named entities; anything else stays as it was written.
size_t DecodeEntity(std::u16string_view text, size_t at, std::u16string& out) {
    // The longest reference worth reading is "&#x10FFFF;"; looking no further keeps long text linear.
    const size_t near = text.substr(at, 13).find(u';');
    const size_t end = near == std::u16string_view::npos ? near : at + near;
    if (end == std::u16string_view::npos) {
        out += u'&';
        return at + 1;
    }
    const std::u16string_view name = text.substr(at + 1, end - at - 1);
    static const struct {
        const char16_t* name;
        char16_t unit;
    } kNamed[] = {{u"lt", u'<'}, {u"gt", u'>'}, {u"amp", u'&'}, {u"quot", u'"'}, {u"apos", u'\''}};
    for (const auto& named : kNamed) {
        if (name == named.name) {
            out += named.unit;
            return end + 1;
        }
    }
    if (name.size() >= 2 && name[0] == u'#') {
        const bool hex = name[1] == u'x' || name[1] == u'X';
        uint32_t code = 0;
        bool digits = false;
        size_t i = hex ? 2 : 1;
        for (; i < name.size(); ++i) {
            const char16_t c = AsciiLower(name[i]);
            uint32_t digit;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (hex && c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else
                break;
            code = code * (hex ? 16 : 10) + digit;
            if (code > 0x10FFFF)
                code = 0x110000;
            digits = true;
        }
        if (digits && i == name.size()) {
            AppendCodePoint(out, code);
            return end + 1;
        }
    }
    out += u'&';
    return at + 1;
}

void AppendDecoded(std::u16string_view text, std::u16string& out) {
    for (size_t i = 0; i < text.size() && out.size() < kMaxEventTextUnits;) {
        if (text[i] == u'&') {
            i = DecodeEntity(text, i, out);
        } else {
            out += text[i];
            ++i;
        }
    }
    if (out.size() > kMaxEventTextUnits)
        out.resize(kMaxEventTextUnits);
}

std::u16string Trimmed(const std::u16string& text) {
    size_t first = 0, last = text.size();
    while (first < last && IsSpace(text[first]))
        ++first;
    while (last > first && IsSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// Decimal, or hexadecimal after "0x"; -1 when the text is no such number or does not fit 31 bits.
int64_t ParseNumber(std::u16string_view text) {
    size_t i = 0;
    int base = 10;
    if (text.size() > 2 && text[0] == u'0' && AsciiLower(text[1]) == u'x') {
        base = 16;
        i = 2;
    }
    if (i >= text.size())
        return -1;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = AsciiLower(text[i]);
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            return -1;
        value = value * base + digit;
        if (value > INT32_MAX)
            return -1;
    }
    return value;
}

struct Attribute {
    std::u16string_view name;
    std::u16string_view value;
};

struct Tag {
    std::u16string_view name;
    std::vector<Attribute> attributes;
    bool closing = false;
    bool selfClosing = false;
};

// Reads the tag that starts at text[at] == '<'; returns the index after its '>' or npos when it is broken.
size_t ReadTag(std::u16string_view text, size_t at, Tag& tag) {
    size_t i = at + 1;
    if (i < text.size() && text[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const size_t nameStart = i;
    while (i < text.size() && IsNameUnit(text[i]))
        ++i;
    if (i == nameStart)
        return std::u16string_view::npos;
    tag.name = text.substr(nameStart, i - nameStart);
    for (;;) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        if (i >= text.size())
            return std::u16string_view::npos;
        if (text[i] == u'>')
            return i + 1;
        if (text[i] == u'/' && i + 1 < text.size() && text[i + 1] == u'>' && !tag.closing) {
            tag.selfClosing = true;
            return i + 2;
        }
        if (tag.closing)
            return std::u16string_view::npos;
        const size_t attributeStart = i;
        while (i < text.size() && IsNameUnit(text[i]))
            ++i;
        if (i == attributeStart)
            return std::u16string_view::npos;
        Attribute attribute;
        attribute.name = text.substr(attributeStart, i - attributeStart);
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        if (i >= text.size() || text[i] != u'=')
            return std::u16string_view::npos;
        ++i;
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        if (i >= text.size() || (text[i] != u'"' && text[i] != u'\''))
            return std::u16string_view::npos;
        const char16_t quote = text[i];
        const size_t valueEnd = text.find(quote, i + 1);
        if (valueEnd == std::u16string_view::npos)
            return std::u16string_view::npos;
        attribute.value = text.substr(i + 1, valueEnd - i - 1);
        if (tag.attributes.size() < 16)
            tag.attributes.push_back(attribute);
        i = valueEnd + 1;
    }
}

// Skips "<?…?>", "<!--…-->", "<!DOCTYPE …>"; copies "<![CDATA[…]]>" into the text. npos when unterminated.
size_t SkipSpecial(std::u16string_view text, size_t at, std::u16string* cdata) {
    const std::u16string_view rest = text.substr(at);
    std::u16string_view closer = u">";
    size_t bodyStart = 2;
    if (rest.substr(0, 2) == u"<?")
        closer = u"?>";
    else if (rest.substr(0, 4) == u"<!--")
        closer = u"-->", bodyStart = 4;
    else if (rest.substr(0, 9) == u"<![CDATA[")
        closer = u"]]>", bodyStart = 9;
    const size_t end = text.find(closer, at + bodyStart);
    if (end == std::u16string_view::npos)
        return end;
    if (cdata && closer == u"]]>" && cdata->size() < kMaxEventTextUnits)
        cdata->append(text.substr(at + bodyStart, end - at - bodyStart).substr(0, kMaxEventTextUnits - cdata->size()));
    return end + closer.size();
}

// Where the reader stands: the open elements' local names, and the text of the innermost one.
struct Reader {
    std::u16string_view path[kMaxDepth];
    size_t depth = 0;
    std::u16string text;
    std::u16string dataName;
    bool sawEvent = false;

    bool At(std::initializer_list<std::u16string_view> names) const {
        if (names.size() != depth)
            return false;
        size_t i = 0;
        for (std::u16string_view name : names) {
            if (path[i++] != name)
                return false;
        }
        return true;
    }
};

void OnOpen(Reader& reader, const Tag& tag, LoggedEvent& event) {
    reader.text.clear();
    if (reader.At({u"Event", u"System", u"Provider"}) || reader.At({u"Event", u"System", u"TimeCreated"}) ||
        reader.At({u"Event", u"EventData", u"Data"})) {
        for (const Attribute& attribute : tag.attributes) {
            std::u16string value;
            AppendDecoded(attribute.value, value);
            if (reader.path[2] == u"Provider" && attribute.name == u"Name")
                event.provider = value;
            else if (reader.path[2] == u"TimeCreated" && attribute.name == u"SystemTime")
                event.systemTime = value;
            else if (reader.path[2] == u"Data" && attribute.name == u"Name")
                reader.dataName = value;
        }
    }
}

void OnClose(Reader& reader, LoggedEvent& event) {
    if (reader.At({u"Event", u"System", u"EventID"})) {
        event.eventId = int32_t(ParseNumber(Trimmed(reader.text)));
    } else if (reader.At({u"Event", u"System", u"Level"})) {
        event.level = int32_t(ParseNumber(Trimmed(reader.text)));
    } else if (reader.At({u"Event", u"EventData", u"Data"})) {
        if (event.data.size() < kMaxEventDataFields)
            event.data.emplace_back(reader.dataName, Trimmed(reader.text));
        reader.dataName.clear();
    }
    reader.text.clear();
}

std::string Ascii(std::u16string_view text, size_t limit) {
    std::string out;
    for (char16_t c : text.substr(0, limit))
        out += c >= 0x20 && c < 0x7F ? char(c) : '?';
    return out;
}

}  // namespace

bool ParseEventXml(std::u16string_view xml, LoggedEvent& event) {
    event = LoggedEvent();
    if (xml.size() > kMaxEventXmlUnits)
        return false;
    Reader reader;
    size_t i = 0;
    while (i < xml.size()) {
        if (xml[i] != u'<') {
            const size_t next = xml.find(u'<', i);
            const size_t end = next == std::u16string_view::npos ? xml.size() : next;
            if (reader.depth > 0)
                AppendDecoded(xml.substr(i, end - i), reader.text);
            i = end;
            continue;
        }
        if (i + 1 < xml.size() && (xml[i + 1] == u'?' || xml[i + 1] == u'!')) {
            i = SkipSpecial(xml, i, reader.depth > 0 ? &reader.text : nullptr);
            if (i == std::u16string_view::npos)
                return false;
            continue;
        }
        Tag tag;
        i = ReadTag(xml, i, tag);
        if (i == std::u16string_view::npos)
            return false;
        const std::u16string_view name = LocalName(tag.name);
        if (tag.closing) {
            if (reader.depth == 0 || reader.path[reader.depth - 1] != name)
                return false;
            OnClose(reader, event);
            --reader.depth;
            continue;
        }
        if (reader.depth == kMaxDepth || (reader.depth == 0 && (name != u"Event" || reader.sawEvent)))
            return false;
        reader.path[reader.depth++] = name;
        reader.sawEvent = true;
        OnOpen(reader, tag, event);
        if (tag.selfClosing) {
            OnClose(reader, event);
            --reader.depth;
        }
    }
    return reader.sawEvent && reader.depth == 0;
}

bool IsHardwareErrorEvent(const LoggedEvent& event) {
    return event.provider == kWheaProvider && event.level >= 1 && event.level <= 3;
}

int32_t EventProcessor(const LoggedEvent& event) {
    static const char16_t* const kNumberFields[] = {u"ProcessorNumber", u"ProcessorId", u"Processor"};
    static const char16_t* const kApicFields[] = {u"ApicId", u"ProcessorApicId", u"LocalApicId"};
    for (const auto* fields : {kNumberFields, kApicFields}) {
        for (int f = 0; f < 3; ++f) {
            for (const auto& [name, value] : event.data) {
                if (!SameNameIgnoringCase(name, fields[f]))
                    continue;
                const int64_t number = ParseNumber(value);
                if (number >= 0)
                    return int32_t(number);
            }
        }
    }
    return -1;
}

void DescribeHardwareError(const LoggedEvent& event, RunError& error) {
    error.source = ErrorSource::HardwareLog;
    error.processor = EventProcessor(event);
    error.offset = 0;
    error.expected = 0;
    error.actual = uint64_t(event.eventId < 0 ? 0 : event.eventId);
    const char* kind = event.level == 3 ? "corrected" : "uncorrected";
    std::string text = "hardware error log: WHEA-Logger event " + std::to_string(event.eventId) + " (" + kind + ")";
    if (!event.systemTime.empty())
        text += " at " + Ascii(event.systemTime, 40);
    for (const auto& [name, value] : event.data) {
        if (text.size() >= sizeof(error.detail) - 1)
            break;
        text += ", " + Ascii(name, 24) + " " + Ascii(value, 24);
    }
    std::snprintf(error.detail, sizeof(error.detail), "%s", text.c_str());
}
