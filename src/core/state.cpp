#include "core/state.h"

namespace tarrock {

FrontendState frontend;

}  // namespace tarrock
