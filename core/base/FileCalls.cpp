#include "core/base/FileCalls.h"

#include <unistd.h>

FileCalls FileCalls::system() {
    return {::write, ::fsync, ::close, ::ftruncate};
}

FileCalls& FileCalls::current() {
    static FileCalls calls = system();
    return calls;
}
