// Strings at the Win32 call: the core's UTF-16 strings and the system's wchar_t strings are the
// same 16-bit units, so they are passed through without conversion.
#pragma once
#include <cstddef>
#include <string>

namespace zo::win {

inline const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

inline std::u16string U(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
inline std::u16string U(const wchar_t* s, size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(s), n); }

}  // namespace zo::win
