#pragma once
// Window subclassing with the same contract as the common controls' SetWindowSubclass, but with
// each window's chain of procedures kept in the thread that owns the window. The common controls
// find the chain through a window property, and under some platforms (Wine) reading a property is
// a call to the window server: on every message of every subclassed button and caption bar, which
// made up most of the panel's start-up cost over a plain window. Here a message finds its chain in
// memory.
//
// All four functions are called on the thread that owns the window (where its messages run).
#include <windows.h>

namespace zo::win {

using TSubclassProc = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR id, DWORD_PTR data);

// Puts proc (with id) at the front of the window's chain, or, when it is already in the chain,
// replaces its data. The newest procedure sees a message first; each passes it on with
// DefSubclass. False when the window's procedure could not be replaced.
bool SetSubclass(HWND window, TSubclassProc proc, UINT_PTR id, DWORD_PTR data);
// Takes proc (with id) out of the chain; safe from inside proc itself. When the chain is empty and
// nobody has subclassed the window since, the window gets its own procedure back.
void RemoveSubclass(HWND window, TSubclassProc proc, UINT_PTR id);
// The data of proc (with id) in the window's chain, in *data; false when it is not in the chain.
bool FindSubclass(HWND window, TSubclassProc proc, UINT_PTR id, DWORD_PTR* data);
// Passes a message on to the next procedure in the chain, at last the window's own.
LRESULT DefSubclass(HWND window, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace zo::win
