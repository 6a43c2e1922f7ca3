#pragma once

#include "core/base/FXUException.h"

// The database directory's check file is missing or its length is not a whole number of entries.
class FXUDBFC_error : public FXUException {
public:
    FXUDBFC_error() noexcept : FXUException("no db checker file or corrupted") {}
    ~FXUDBFC_error() override;
};
