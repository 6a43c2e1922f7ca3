#pragma once

#include <exception>

// Base of the program's own errors. The message is a static text and is never copied.
class FXUException : public std::exception {
public:
    explicit FXUException(const char* message) noexcept : message_(message) {}
    ~FXUException() override;
    const char* what() const noexcept override { return message_; }

private:
    const char* message_;
};
