#include "core/base/StreamFailure.h"

StreamFailure::~StreamFailure() = default;
