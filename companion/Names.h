// The names that the service program, its control panel and its tests agree on. Plain constants,
// no system headers, so that tests can include them.
#pragma once

namespace zo::companion {

// The service as the service control manager knows it.
inline constexpr wchar_t kServiceName[] = L"Quillora5ZoradidIvavuda";
inline constexpr wchar_t kDisplayName[] = L"Quillora 5 Zoradid Ivavuda";
inline constexpr wchar_t kDescription[] =
    L"Checks every few seconds that the Quillora 5 Server service (and the Relaywright 6 service, "
    L"where installed) is running, and restarts it when it has stopped and restarting is switched on.";

// The service's event source in the Application log (under HKEY_LOCAL_MACHINE): the program is
// its message file.
inline constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quillora5ZoradidIvavuda";

// The settings: section "Settings", key "RestartServices" (a number, 0 = off) in this file.
inline constexpr wchar_t kSettingsFolder[] = L"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda";
inline constexpr wchar_t kSettingsFile[] =
    L"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda\\ZoradidIvavuda.ini";
inline constexpr wchar_t kSettingsSection[] = L"Settings";
inline constexpr wchar_t kRestartServicesKey[] = L"RestartServices";

// The services that are watched, by service name: "Quillora 5 Server" and "Relaywright 6".
inline constexpr const wchar_t* kWatchedServices[] = {L"Quillora5Server", L"Relaywright6"};

// Milliseconds between two checks.
inline constexpr unsigned kCheckIntervalMs = 5000;

}  // namespace zo::companion
