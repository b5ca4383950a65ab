// What screen readers are told of a control that the platform's own description gets wrong: a
// window of the program's own class, or a picture drawn by its owner, which the platform would
// describe as a nameless client area. The control's accessible object is the platform's own,
// except for its name (the control's window text, read at each request) and its role.
#pragma once
#include <windows.h>

namespace zo::win {

// From now on the control answers WM_GETOBJECT with an object of role (a ROLE_SYSTEM_* value)
// whose name is the control's window text. Once the control is destroyed, the objects made for it
// answer every call (but IUnknown's) with RPC_E_DISCONNECTED, never with empty data.
void SetAccessibleRole(HWND control, DWORD role);

// Tells screen readers that the control's name (its window text) changed, where the platform
// lets them listen.
void AnnounceNameChange(HWND control);

}  // namespace zo::win
