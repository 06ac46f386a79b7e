#include "controls/runtime_random.h"

namespace corvane {

RuntimeRandom& ThreadRandom() {
    thread_local RuntimeRandom random;
    return random;
}

} // namespace corvane
