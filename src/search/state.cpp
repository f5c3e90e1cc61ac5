#include "search/state.h"

namespace tarrock {

SearchState search;

}  // namespace tarrock
