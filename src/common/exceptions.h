#pragma once

#include <atomic>
#include <stdexcept>
#include <string>

namespace gerador {

// Base of every error the generators raise; main reports its message and
// ends the program with a non-zero status.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A date-time text that cannot be read; the message quotes the text.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A parameter that would make a run hang or read outside its data.
class EParameterError : public Exception {
public:
    using Exception::Exception;
};

// An output file that could not be created, written or closed.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

// A run stopped at its caller's request (TRunEnvironment::interrupted), or a search whose
// process a signal ended; what it wrote is removed as after any other failure.
class EInterrupted : public Exception {
public:
    EInterrupted();
};

// Throws EInterrupted when interrupted is set; null: never.
void throwIfInterrupted(const std::atomic<bool>* interrupted);

// Throws EParameterError naming the parameter, its value and why, unless valid.
void requireParameter(bool valid, const std::string& name, long long value, const std::string& reason);
void requireParameter(bool valid, const std::string& name, const std::string& valueText, const std::string& reason);

// The shortest text that reads back as value ("0.25", "1e+300", "nan").
std::string textOfDouble(double value);

}  // namespace gerador
