#include "module_state.h"

namespace sdll {

ModuleState &Module() {
  static ModuleState state;
  return state;
}

}  // namespace sdll

/* The platform's DLL entry runs at process attach, after the runtime has
 * started, and reports our own module here; every other reason is the
 * platform's to ignore. */
void platform::OnProcessAttach(platform::ModuleHandle module) { sdll::Module().module = module; }
