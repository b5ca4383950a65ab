// Starting a file through the shell: the program, document or folder is opened with a verb, as
// the shell's "execute" request does, and the process it started is handed back.
#pragma once
#include <cstdint>
#include <string>

namespace zo {

// A handle value of the platform (pointer-sized); 0 means none.
using THandle = std::uintptr_t;

// Bits of the request's mask (the platform's SEE_MASK_ values).
constexpr uint32_t cSeeMaskNoCloseProcess = 0x40;  // hand back the new process's handle
constexpr uint32_t cSeeMaskFlagDdeWait = 0x100;    // finish a DDE conversation before returning
constexpr uint32_t cSeeMaskFlagNoUi = 0x400;       // the shell shows no error box of its own

// The members of the shell's request that a caller sets; every other member is zero. Texts
// are always passed as texts: an empty one is an empty text, never an absent one.
struct TShellExecuteRequest {
    uint32_t Mask = 0;
    THandle Wnd = 0;  // owner window of anything the shell shows
    std::u16string Verb;
    std::u16string File;
    std::u16string Parameters;
    std::u16string Directory;
    int32_t Show = 0;  // the show value of the new program's first window
};

struct TShellExecuteResult {
    bool Success = false;
    std::uintptr_t InstApp = 0;  // the shell's instance value; its error code on failure
    THandle Process = 0;         // the new process, when one was started and asked for
};

class IShell {
public:
    virtual ~IShell() = default;
    virtual TShellExecuteResult Start(const TShellExecuteRequest& request) = 0;
};

}  // namespace zo
