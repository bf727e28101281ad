#pragma once

#include "core/Error.h"

namespace quorvale {

// An error raised by an automation server or by the automation layer itself.
class AutomationError : public Error {
public:
    using Error::Error;
};

} // namespace quorvale
