#include "frontend/state.h"

namespace tarrock {

FrontendState frontend;

}  // namespace tarrock
