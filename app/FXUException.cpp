#include "app/FXUException.h"

FXUException::~FXUException() = default;
