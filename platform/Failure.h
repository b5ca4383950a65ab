// Failures travel as exceptions that carry a message (UTF-16). The message loop shows any that
// no handler caught in the default failure box.
#pragma once
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace zo {

// Base of every failure that carries a message.
class Exception : public std::exception {
public:
    explicit Exception(std::u16string message) : FMessage(std::move(message)) {}
    const std::u16string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return "zo::Exception (see Message())"; }

private:
    std::u16string FMessage;
};

// A failed operating-system call; ErrorCode is the platform's last-error value (0 when none).
class EOSError : public Exception {
public:
    EOSError(std::u16string message, uint32_t errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    uint32_t ErrorCode;
};

// Stream failures of the settings file.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
// A save of the settings file refused for what it would write (too large, or not the same text):
// nothing was written, and trying again changes nothing until the file does.
class ESettingsRefused : public EStreamError {
public:
    using EStreamError::EStreamError;
};

}  // namespace zo

namespace zo {

// The text of the default failure box: the message, with a full stop added when its last
// character's code is above that of "." (letters and digits, but not ".", ")", "!" or a blank).
std::u16string FailureBoxText(std::u16string_view message);

// A value whose text or number cannot be converted.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Reading or writing a file that is already open failed.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A registry key or value could not be created, written or deleted.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

}  // namespace zo
