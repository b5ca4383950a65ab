// Registering and removing the service with the service control manager.
#pragma once
#include <string>

namespace zo::companion {

struct TRegistrationResult {
    bool Ok = false;
    std::u16string Message;  // one line saying what happened, or what failed and why
};

// Secures the settings folders (SecureSettingsFolders: refused, with nothing registered, when an
// ordinary user planted a link there; created when missing; taken over), then registers the service
// as an own-process service whose binary is this program (quoted full path), started
// automatically with delay, restarted by the service control manager when it fails, with its
// event source in the Application log. A service of that name that is already registered has its
// configuration updated to the same.
TRegistrationResult Install();

// Makes the settings folders as Install does when the settings folder is not there, so that the
// setting can be written before the service is registered; leaves them as they are otherwise.
TRegistrationResult MakeSettingsFolders();

// Stops the service when it runs (waiting a few seconds for it), then removes its registration and
// its event source. The source goes on every path that leaves no service behind (also when the
// service was already removed, or already marked for removal and stopped), and stays while the
// service may still run and write events (it did not stop in time).
TRegistrationResult Uninstall();

}  // namespace zo::companion
