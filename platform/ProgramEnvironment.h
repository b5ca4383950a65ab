// Facts about the running program and the shell's folders.
#pragma once
#include <string>

namespace zo {

// The shell's special folders, by the shell's folder numbers.
enum : int {
    csidlPersonal = 5,       // the user's documents
    csidlAppData = 26,       // the user's roaming application data
    csidlLocalAppData = 28,  // the user's local application data
    csidlCommonAppData = 35  // the machine-wide application data
};

class IProgramEnvironment {
public:
    virtual ~IProgramEnvironment() = default;

    // The running program's own full path.
    virtual std::u16string ProgramFileName() = 0;

    // The application's title; may be empty.
    virtual std::u16string ApplicationTitle() = 0;

    // The path of a special folder, without creating it; empty when it cannot be found.
    virtual std::u16string SpecialFolderPath(int csidl) = 0;
};

}  // namespace zo
