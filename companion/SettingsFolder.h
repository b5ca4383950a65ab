// The settings folders made the administrators' own, by /install.
#pragma once
#include "companion/FolderChain.h"

namespace zo::companion {

// Walks from C:\ProgramData to the settings folder and through everything in it with the system's
// file handles (SecureSettingsFolderChain says what it refuses, creates and takes over), with the
// privileges to read and take over what an ordinary user made.
TFolderChainResult SecureSettingsFolders();

}  // namespace zo::companion
