#include "platform/win32/Accessible.h"

#include <oleacc.h>

#include "platform/win32/Subclass.h"
#include "platform/win32/SystemLibrary.h"

namespace zo::win {

namespace {

// The accessibility library is loaded when a screen reader first asks, not at start-up.
struct TOleAcc {
    decltype(&::CreateStdAccessibleObject) CreateStd =
        SystemFunction<decltype(::CreateStdAccessibleObject)>(L"oleacc.dll", "CreateStdAccessibleObject");
    decltype(&::LresultFromObject) Lresult =
        SystemFunction<decltype(::LresultFromObject)>(L"oleacc.dll", "LresultFromObject");
};
const TOleAcc& OleAcc() {
    static const TOleAcc acc;
    return acc;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// A control's role and whether the control still exists, shared by its subclass and every object
// made for it: a screen reader may hold an object after the window is destroyed, and the window's
// handle may by then name another window.
struct TControlLife {
    DWORD Role;
    LONG Alive = 1;
    LONG Refs = 1;
    void AddRef() { InterlockedIncrement(&Refs); }
    void Release() {
        if (InterlockedDecrement(&Refs) == 0) delete this;
    }
};

// What an object of a destroyed control answers to everything: the object has lost what it stood
// for, as a platform's object whose server has gone away answers its clients.
constexpr HRESULT kControlGone = RPC_E_DISCONNECTED;

// The platform's object for the control with another name and role; everything else is passed on.
// Once the control is destroyed, every call but IUnknown's fails with kControlGone.
class TNamedAccessible final : public IAccessible {
public:
    TNamedAccessible(IAccessible* inner, HWND control, TControlLife* life)
        : FInner(inner), FControl(control), FLife(life) {
        FLife->AddRef();
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        // Nothing else: an interface of the platform's object would lead back to its own
        // IAccessible, without the name and role, and the controls have no children to enumerate.
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&FRefs); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&FRefs);
        if (refs == 0) {
            FInner->Release();
            FLife->Release();
            delete this;
        }
        return ULONG(refs);
    }

    // What differs from the platform's object.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (Gone()) return kControlGone;
        if (!IsSelf(child)) return FInner->get_accName(child, name);
        if (!name) return E_POINTER;
        const int len = GetWindowTextLengthW(FControl);
        *name = SysAllocStringLen(nullptr, UINT(len));
        if (!*name) return E_OUTOFMEMORY;
        GetWindowTextW(FControl, *name, len + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (Gone()) return kControlGone;
        if (!IsSelf(child)) return FInner->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = LONG(FLife->Role);
        return S_OK;
    }

    // IDispatch and the rest of IAccessible: the platform's answers while the control exists.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return Pass(&IAccessible::GetTypeInfoCount, n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
        return Pass(&IAccessible::GetTypeInfo, i, l, t);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
        return Pass(&IAccessible::GetIDsOfNames, r, n, c, l, d);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                                     UINT* a) override {
        return Pass(&IAccessible::Invoke, d, r, l, f, p, v, e, a);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return Pass(&IAccessible::get_accParent, p); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override { return Pass(&IAccessible::get_accChildCount, n); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override {
        return Pass(&IAccessible::get_accChild, c, p);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* v) override { return Pass(&IAccessible::get_accValue, c, v); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* d) override {
        return Pass(&IAccessible::get_accDescription, c, d);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* s) override { return Pass(&IAccessible::get_accState, c, s); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* h) override { return Pass(&IAccessible::get_accHelp, c, h); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* f, VARIANT c, LONG* t) override {
        return Pass(&IAccessible::get_accHelpTopic, f, c, t);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* k) override {
        return Pass(&IAccessible::get_accKeyboardShortcut, c, k);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* c) override { return Pass(&IAccessible::get_accFocus, c); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* c) override { return Pass(&IAccessible::get_accSelection, c); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* a) override {
        return Pass(&IAccessible::get_accDefaultAction, c, a);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG f, VARIANT c) override { return Pass(&IAccessible::accSelect, f, c); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
        return Pass(&IAccessible::accLocation, x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG d, VARIANT s, VARIANT* e) override {
        return Pass(&IAccessible::accNavigate, d, s, e);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* c) override {
        return Pass(&IAccessible::accHitTest, x, y, c);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return Pass(&IAccessible::accDoDefaultAction, c); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT c, BSTR n) override { return Pass(&IAccessible::put_accName, c, n); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT c, BSTR v) override { return Pass(&IAccessible::put_accValue, c, v); }

private:
    bool Gone() const { return InterlockedCompareExchange(&FLife->Alive, 0, 0) == 0; }
    template <class Method, class... Args>
    HRESULT Pass(Method method, Args... args) {
        return Gone() ? kControlGone : (FInner->*method)(args...);
    }

    IAccessible* FInner;  // owned: one reference
    HWND FControl;
    TControlLife* FLife;  // owned: one reference
    LONG FRefs = 1;
};

LRESULT CALLBACK AccessibleProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
    auto* life = reinterpret_cast<TControlLife*>(data);
    if (msg == WM_GETOBJECT && LONG(lp) == OBJID_CLIENT) {
        const TOleAcc& acc = OleAcc();
        IAccessible* inner = nullptr;
        if (acc.CreateStd && acc.Lresult &&
            SUCCEEDED(acc.CreateStd(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&inner)))) {
            auto* named = new TNamedAccessible(inner, hwnd, life);
            const LRESULT result = acc.Lresult(__uuidof(IAccessible), wp, named);
            named->Release();  // the result holds its own reference
            return result;
        }
    } else if (msg == WM_NCDESTROY) {
        InterlockedExchange(&life->Alive, 0);
        life->Release();
        RemoveSubclass(hwnd, AccessibleProc, id);
    }
    return DefSubclass(hwnd, msg, wp, lp);
}

constexpr UINT_PTR kAccessibleId = 3;

}  // namespace

void SetAccessibleRole(HWND control, DWORD role) {
    DWORD_PTR data = 0;
    if (FindSubclass(control, AccessibleProc, kAccessibleId, &data)) {
        reinterpret_cast<TControlLife*>(data)->Role = role;
        return;
    }
    auto* life = new TControlLife{role};
    if (!SetSubclass(control, AccessibleProc, kAccessibleId, reinterpret_cast<DWORD_PTR>(life))) life->Release();
}

void AnnounceNameChange(HWND control) { NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF); }

}  // namespace zo::win
