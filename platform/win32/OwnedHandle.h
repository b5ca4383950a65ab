#pragma once
#include <windows.h>

namespace zo::win {

// A handle that its owner destroys with Destroy (DeleteObject for GDI objects, DestroyIcon for
// icons) when it goes or is given another; moved, never copied.
template <typename T, auto Destroy>
class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(T h) : FHandle(h) {}
    ~TOwnedHandle() { reset(); }
    TOwnedHandle(TOwnedHandle&& o) noexcept : FHandle(o.FHandle) { o.FHandle = nullptr; }
    TOwnedHandle& operator=(TOwnedHandle&& o) noexcept {
        if (this != &o) {
            reset();
            FHandle = o.FHandle;
            o.FHandle = nullptr;
        }
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    void reset(T h = nullptr) {
        if (FHandle) Destroy(FHandle);
        FHandle = h;
    }
    T get() const { return FHandle; }
    operator T() const { return FHandle; }

private:
    T FHandle = nullptr;
};

}  // namespace zo::win
