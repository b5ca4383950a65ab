// Failures travel as exceptions that carry a message (UTF-16). The message loop shows any that
// no handler caught in the default failure box.
#pragma once
#include <cstdint>
#include <exception>
#include <string>

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

}  // namespace zo
