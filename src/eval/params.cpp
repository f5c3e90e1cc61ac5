#include "eval/params.h"

namespace tarrock {

EvalVariables evalVars;

}  // namespace tarrock
