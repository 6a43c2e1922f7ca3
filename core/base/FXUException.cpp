#include "core/base/FXUException.h"

FXUException::~FXUException() = default;
