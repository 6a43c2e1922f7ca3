#include "core/base/FXUDBFC_error.h"

FXUDBFC_error::~FXUDBFC_error() = default;
