#pragma once

// The exception tree that every failure of the program travels in. Each carries a UTF-16
// message, shown to the user as it stands.

#include <exception>
#include <memory>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::u16string message, std::shared_ptr<const Exception> inner = nullptr);

    const std::u16string& Message() const noexcept { return message_; }
    // The exception this one wraps, if any; the message box follows the chain to the innermost.
    const Exception* InnerException() const noexcept { return inner_.get(); }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::u16string message_;
    std::string utf8_;
    std::shared_ptr<const Exception> inner_;
};

// A silent failure: the application object drops it without a message.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
};

class EExternal : public Exception {
public:
    using Exception::Exception;
};

class EMathError : public EExternal {
public:
    using EExternal::EExternal;
};

class EInvalidOp : public EMathError {
public:
    using EMathError::EMathError;
};

class EZeroDivide : public EMathError {
public:
    using EMathError::EMathError;
};

class EOverflow : public EMathError {
public:
    using EMathError::EMathError;
};

class EUnderflow : public EMathError {
public:
    using EMathError::EMathError;
};

class EIntError : public EExternal {
public:
    using EExternal::EExternal;
};

class EDivByZero : public EIntError {
public:
    using EIntError::EIntError;
};
