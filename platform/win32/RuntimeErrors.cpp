// The helpers that the C++ runtime's containers and strings call when they are misused (a size
// beyond the maximum, a position past the end, a null text), linked into each program in place of
// the runtime's own. The runtime's helpers throw std::length_error and its kin, whose message is a
// reference-counted string of the old library interface: constructing one brings that whole string
// implementation and the new one with it (about 80 KB of the panel).
//
// These throw the allocation errors unchanged, and for the others an exception derived from
// std::exception whose what() is the runtime's text, expanded the way the runtime expands it. The
// programs catch only std::exception and their own failures, so the failure box shows the same
// text; only a handler naming std::logic_error or one of its kin would see a difference.
#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class TRuntimeError : public std::exception {
public:
    explicit TRuntimeError(const char* text) { Append(text); }
    const char* what() const noexcept override { return FText; }

    // The runtime's expansion: %zu a size, %s a text, %% a per cent sign, any other % as it is.
    static TRuntimeError Format(const char* format, va_list args) {
        TRuntimeError error("");
        for (const char* s = format; *s; ++s) {
            if (s[0] == '%' && s[1] == 's') {
                error.Append(va_arg(args, const char*));
                ++s;
            } else if (s[0] == '%' && s[1] == 'z' && s[2] == 'u') {
                error.AppendNumber(va_arg(args, std::size_t));
                s += 2;
            } else {
                if (s[0] == '%' && s[1] == '%') ++s;
                error.Append(s, 1);
            }
        }
        return error;
    }

private:
    void Append(const char* text) { Append(text, std::strlen(text)); }
    void Append(const char* text, std::size_t length) {
        // The runtime's messages are short; a longer one is cut rather than overrun.
        const std::size_t room = sizeof(FText) - 1 - FLength;
        if (length > room) length = room;
        std::memcpy(FText + FLength, text, length);
        FLength += length;
        FText[FLength] = '\0';
    }
    void AppendNumber(std::size_t value) {
        char digits[24];
        char* p = digits + sizeof(digits);
        do {
            *--p = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        Append(p, static_cast<std::size_t>(digits + sizeof(digits) - p));
    }

    char FText[512] = {};
    std::size_t FLength = 0;
};

}  // namespace

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }

void __throw_logic_error(const char* text) { throw TRuntimeError(text); }
void __throw_domain_error(const char* text) { throw TRuntimeError(text); }
void __throw_invalid_argument(const char* text) { throw TRuntimeError(text); }
void __throw_length_error(const char* text) { throw TRuntimeError(text); }
void __throw_out_of_range(const char* text) { throw TRuntimeError(text); }
void __throw_runtime_error(const char* text) { throw TRuntimeError(text); }
void __throw_range_error(const char* text) { throw TRuntimeError(text); }
void __throw_overflow_error(const char* text) { throw TRuntimeError(text); }
void __throw_underflow_error(const char* text) { throw TRuntimeError(text); }

void __throw_out_of_range_fmt(const char* format, ...) {
    va_list args;
    va_start(args, format);
    TRuntimeError error = TRuntimeError::Format(format, args);
    va_end(args);
    throw error;
}

}  // namespace std
