#include "media/playback.h"

namespace lx {

std::atomic<int32_t> videoPlaying{0};

}  // namespace lx
