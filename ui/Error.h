#pragma once
// The error the program raises for the user to see: it travels up to the
// application's standard exception report, which shows its message.
#include <stdexcept>
#include <string>

namespace ui {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace ui
