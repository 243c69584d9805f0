// kvr::Error: the one exception type of the program; only the entry catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace kvr {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kvr
