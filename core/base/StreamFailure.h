#pragma once

#include <ios>
#include <string>

// The stream failure the file formats raise, saying exactly what is wrong: the standard one appends the
// text of its error code (": iostream error") to every message, and again each time a message is passed on.
class StreamFailure : public std::ios_base::failure {
public:
    explicit StreamFailure(const std::string& message) : std::ios_base::failure(message), message_(message) {}
    ~StreamFailure() override;
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};
