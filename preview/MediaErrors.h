#pragma once
// Errors of the preview components. They travel to the application's
// standard exception report like every other ui::Error.
#include <cstdint>
#include <string>

#include "ui/Error.h"

namespace korvane {

class EMediaException : public ui::Error {
public:
    using ui::Error::Error;
};

// A DirectShow call that failed; FailureCode is its HRESULT.
class EDirectShowException : public EMediaException {
public:
    EDirectShowException(const std::string& message, std::int32_t failureCode)
        : EMediaException(message), FailureCode(failureCode)
    {
    }

    std::int32_t FailureCode;
};

} // namespace korvane
