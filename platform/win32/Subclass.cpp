#include "platform/win32/Subclass.h"

#include <vector>

namespace zo::win {

namespace {

struct TLink {
    TSubclassProc Proc;
    UINT_PTR Id;
    DWORD_PTR Data;
    bool Removed;
};

// One window's procedures, newest last. Links leave the vector only while none of the window's
// messages runs, so that the indices of the calls in progress stay valid.
struct TChain {
    HWND Window;
    WNDPROC Original;
    std::vector<TLink> Links;
    size_t Below = 0;     // while a link runs: DefSubclass goes on with the links under this index
    int Calls = 0;        // messages of the window in progress
    bool Removals = false;
    bool Gone = false;    // the window is destroyed; the chain ends with its last message
    TChain* Next = nullptr;
};

// A window's messages run on the thread that owns it, so each thread keeps its own chains and
// nothing needs a lock. Destroyed windows take their chains with them.
thread_local TChain* tChains = nullptr;

TChain* Find(HWND window) {
    for (TChain* c = tChains; c; c = c->Next)
        if (c->Window == window && !c->Gone) return c;
    return nullptr;
}

LRESULT CALLBACK ChainProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);

LRESULT CallBelow(TChain& chain, size_t top, HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    while (top > 0 && chain.Links[top - 1].Removed) --top;
    if (top == 0) return CallWindowProcW(chain.Original, window, msg, wp, lp);
    const TLink link = chain.Links[top - 1];  // a copy: the procedure may add links
    const size_t outer = chain.Below;
    chain.Below = top - 1;
    const LRESULT result = link.Proc(window, msg, wp, lp, link.Id, link.Data);
    chain.Below = outer;
    return result;
}

void Unlink(TChain* chain) {
    for (TChain** p = &tChains; *p; p = &(*p)->Next)
        if (*p == chain) {
            *p = chain->Next;
            break;
        }
    delete chain;
}

// Once no message of the window runs: drops removed links, and when none is left, gives the window
// its own procedure back (unless somebody has subclassed it after us: then the empty chain keeps
// passing messages on until the window is destroyed).
void Settle(TChain* chain) {
    if (chain->Calls) return;
    if (chain->Gone) return Unlink(chain);
    if (chain->Removals) {
        std::erase_if(chain->Links, [](const TLink& l) { return l.Removed; });
        chain->Removals = false;
    }
    if (!chain->Links.empty()) return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(chain->Window, GWLP_WNDPROC)) != ChainProc) return;
    SetWindowLongPtrW(chain->Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->Original));
    Unlink(chain);
}

LRESULT CALLBACK ChainProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    TChain* chain = Find(window);
    if (!chain) return DefWindowProcW(window, msg, wp, lp);
    ++chain->Calls;
    const LRESULT result = CallBelow(*chain, chain->Links.size(), window, msg, wp, lp);
    --chain->Calls;
    if (msg == WM_NCDESTROY) chain->Gone = true;
    Settle(chain);
    return result;
}

}  // namespace

bool SetSubclass(HWND window, TSubclassProc proc, UINT_PTR id, DWORD_PTR data) {
    if (!proc || !IsWindow(window) || GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return false;
    TChain* chain = Find(window);
    if (!chain) {
        auto* original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
        if (!original || !SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ChainProc))) return false;
        chain = new TChain{window, original, {}};
        chain->Next = tChains;
        tChains = chain;
    }
    for (TLink& link : chain->Links)
        if (link.Proc == proc && link.Id == id && !link.Removed) {
            link.Data = data;
            return true;
        }
    chain->Links.push_back(TLink{proc, id, data, false});
    return true;
}

void RemoveSubclass(HWND window, TSubclassProc proc, UINT_PTR id) {
    TChain* chain = Find(window);
    if (!chain) return;
    for (TLink& link : chain->Links)
        if (link.Proc == proc && link.Id == id && !link.Removed) {
            link.Removed = chain->Removals = true;
            Settle(chain);
            return;
        }
}

bool FindSubclass(HWND window, TSubclassProc proc, UINT_PTR id, DWORD_PTR* data) {
    if (const TChain* chain = Find(window))
        for (const TLink& link : chain->Links)
            if (link.Proc == proc && link.Id == id && !link.Removed) {
                if (data) *data = link.Data;
                return true;
            }
    return false;
}

LRESULT DefSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    TChain* chain = Find(window);
    if (!chain) return DefWindowProcW(window, msg, wp, lp);
    return CallBelow(*chain, chain->Below, window, msg, wp, lp);
}

}  // namespace zo::win
