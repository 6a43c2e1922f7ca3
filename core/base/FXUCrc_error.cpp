#include "core/base/FXUCrc_error.h"

FXUCrc_error::~FXUCrc_error() = default;
