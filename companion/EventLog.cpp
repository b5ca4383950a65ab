#include "companion/EventLog.h"

#include <algorithm>
#include <iterator>

#include "companion/Names.h"

namespace zo::companion {

namespace {
constexpr int kMaxInserts = 4;
static_assert(*std::max_element(std::begin(kEventInserts), std::end(kEventInserts)) <= kMaxInserts);
}  // namespace

TEventLog::TEventLog() : FSource(RegisterEventSourceW(nullptr, kServiceName)) {}

TEventLog::~TEventLog() {
    if (FSource) DeregisterEventSource(FSource);
}

void TEventLog::Report(const TEvent& event) {
    const DWORD id = kEventMessages[event.Kind];
    const wchar_t* inserts[kMaxInserts] = {};
    WORD count = 0;
    for (const std::u16string& insert : event.Inserts)
        if (count < kMaxInserts) inserts[count++] = reinterpret_cast<const wchar_t*>(insert.c_str());
    if (FSource) ReportEventW(FSource, EventType(id), 0, id, nullptr, count, 0, inserts, nullptr);
    // A copy for a debugger, which is all that a system without an Event Log shows.
    wchar_t line[64];
    wsprintfW(line, L"ZoradidIvavuda: event %lu\n", id & 0xFFFF);
    OutputDebugStringW(line);
}

}  // namespace zo::companion
