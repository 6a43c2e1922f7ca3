#pragma once

#include "core/base/FXUException.h"

// A machine file whose stored CRC does not match its contents.
class FXUCrc_error : public FXUException {
public:
    FXUCrc_error() noexcept : FXUException("corruped file") {}
    ~FXUCrc_error() override;
};
