// The service monitor's events in the Application log: each event kind's message id in the
// program's own message table (compiled from ZoradidIvavudaMessages.mc), and the writer.
#pragma once
#include <windows.h>

#include "ZoradidIvavudaMessages.h"
#include "companion/Watchdog.h"

namespace zo::companion {

// The message of each event kind, indexed by TEventKind.
inline constexpr DWORD kEventMessages[ekEventKindCount] = {
    MSG_SERVICE_STARTED,        MSG_SERVICE_STOPPED,      MSG_RESTART_ON_BY_FILE, MSG_RESTART_OFF_BY_FILE,
    MSG_RESTART_OFF_NO_FILE,    MSG_RESTART_OFF_TOO_LARGE, MSG_RESTART_OFF_UNREADABLE,
    MSG_SETTING_KEPT_ON,        MSG_SETTING_KEPT_OFF,     MSG_START_REQUESTED,    MSG_START_FAILED,
    MSG_RETRY_GROWN,            MSG_RETRY_RESET,          MSG_START_DID_NOT_LAST, MSG_RETRY_GROWN_DID_NOT_LAST,
    MSG_RETRY_LONGEST,
};

// The table follows the kinds' order, which is the message ids' order.
constexpr bool EventMessagesInOrder() {
    for (int k = 0; k < ekEventKindCount; ++k)
        if ((kEventMessages[k] & 0xFFFF) != DWORD(k + 1)) return false;
    return true;
}
static_assert(EventMessagesInOrder(), "kEventMessages must list the messages in the order of TEventKind");

// The event type that the Event Viewer shows, from the message's severity.
constexpr WORD EventType(DWORD messageId) {
    switch (messageId >> 30) {
    case 3:
        return EVENTLOG_ERROR_TYPE;
    case 2:
        return EVENTLOG_WARNING_TYPE;
    default:
        return EVENTLOG_INFORMATION_TYPE;
    }
}

// The Application log under the service's own source, open while the service runs. Events that
// cannot be written are lost: the service goes on without its log.
class TEventLog {
public:
    TEventLog();
    ~TEventLog();
    TEventLog(const TEventLog&) = delete;
    TEventLog& operator=(const TEventLog&) = delete;
    void Report(const TEvent& event);

private:
    HANDLE FSource;
};

}  // namespace zo::companion
