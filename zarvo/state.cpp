#include "state.h"

namespace zarvo {

LibraryState lib;

}  // namespace zarvo
