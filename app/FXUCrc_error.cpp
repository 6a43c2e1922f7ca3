#include "app/FXUCrc_error.h"

FXUCrc_error::~FXUCrc_error() = default;
