#pragma once

#include <stdexcept>
#include <string>

namespace pictavo {

// An error of the settings store; the text is UTF-8 and is shown as it is.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace pictavo
