// The exception classes shared by every layer.
//
// Each unit raises its own class, all derived from tarvix::Exception, so that a
// caller can catch one unit's failures or all of them. The file errors mirror the
// classic stream errors: opening, creating, reading and writing a file.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvix {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

#define TARVIX_EXCEPTION(Name, Base)      \
    class Name : public Base {            \
    public:                               \
        using Base::Base;                 \
    }

// A text that is not a number, month, colour, ... of the kind expected.
TARVIX_EXCEPTION(EConvertError, Exception);
// Any failure of file input or output.
TARVIX_EXCEPTION(EInOutError, Exception);
TARVIX_EXCEPTION(EFOpenError, EInOutError);    // "Cannot open file %s"
TARVIX_EXCEPTION(EFCreateError, EInOutError);  // "Cannot create file %s"
TARVIX_EXCEPTION(EReadError, EInOutError);     // "Stream read error"
TARVIX_EXCEPTION(EWriteError, EInOutError);    // "Stream write error"

}  // namespace tarvix
