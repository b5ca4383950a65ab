// Asking about and acting on one Windows service and one running program.
// Every handle lives inside one call; failures of the service calls raise EOSError.
#pragma once
#include <string>
#include <string_view>

#include "platform/Failure.h"
#include "platform/ServicePlatform.h"

namespace zo {

constexpr uint32_t SC_MANAGER_ALL_ACCESS_ = 0xF003F;
constexpr uint32_t SERVICE_ALL_ACCESS_ = 0xF01FF;
constexpr uint32_t SERVICE_QUERY_STATUS_ = 4;
constexpr uint32_t SERVICE_CONTROL_STOP_ = 1;
constexpr uint32_t PROCESS_ENTRY_SIZE = 556;  // sizeof(PROCESSENTRY32W)

// True when the service can be opened for status queries; raises EOSError when the manager
// cannot be opened (in practice: the user is not an administrator).
bool ServiceExists(IServicePlatform& platform, std::u16string_view serviceName);
// True when some process's executable file is named imageName (ASCII case ignored); never raises.
bool ProcessExists(IServicePlatform& platform, std::u16string_view imageName);
void ServiceStart(IServicePlatform& platform, std::u16string_view serviceName);
void ServiceStop(IServicePlatform& platform, std::u16string_view serviceName);

// The OS error for a last-error value: "System Error.  Code: %d.\r\n%s%s", or the fixed text for 0.
EOSError MakeOSError(ISystemText& text, uint32_t lastError);

// Matching helpers of ProcessExists.
std::u16string UpperAscii(std::u16string_view s);
std::u16string_view FileNamePart(std::u16string_view path);

}  // namespace zo
